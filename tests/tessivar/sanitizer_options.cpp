// The payload tests ask for more memory than exists and expect a null result, not a sanitizer report.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }
extern "C" const char* __tsan_default_options() { return "allocator_may_return_null=1"; }
