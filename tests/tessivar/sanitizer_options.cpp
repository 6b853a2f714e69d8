// The payload tests ask for more memory than exists and expect a null result, not a sanitizer report.
#define SANITIZER_HOOK extern "C" __attribute__((visibility("default"), used))

SANITIZER_HOOK const char* __asan_default_options() { return "allocator_may_return_null=1"; }
SANITIZER_HOOK const char* __tsan_default_options() { return "allocator_may_return_null=1"; }
