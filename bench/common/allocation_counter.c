// Preloaded into a process, counts its allocations in a counter that another process reads: the file named by
// ALLOCATION_COUNTER_FILE, whose first eight bytes hold the count. Allocations before the file is mapped, or
// without the variable, go uncounted.
#include <errno.h>
#include <fcntl.h>
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <unistd.h>

#define EXPORTED __attribute__((visibility("default")))

// The C library's own allocator, under the names it keeps for wrappers like this one.
extern void* __libc_malloc(size_t size);
extern void* __libc_calloc(size_t count, size_t size);
extern void* __libc_realloc(void* block, size_t size);
extern void* __libc_memalign(size_t alignment, size_t size);

static uint64_t* counter;

__attribute__((constructor)) static void mapCounter(void) {
    const char* path = getenv("ALLOCATION_COUNTER_FILE");
    if (path == NULL) return;
    const int fd = open(path, O_RDWR | O_CLOEXEC);
    if (fd < 0) return;
    void* mapped = mmap(NULL, sizeof(uint64_t), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    if (mapped != MAP_FAILED) __atomic_store_n(&counter, (uint64_t*)mapped, __ATOMIC_RELEASE);
}

static void* counted(void* block) {
    uint64_t* count = __atomic_load_n(&counter, __ATOMIC_ACQUIRE);
    if (block != NULL && count != NULL) __atomic_fetch_add(count, 1, __ATOMIC_RELAXED);
    return block;
}

EXPORTED void* malloc(size_t size) { return counted(__libc_malloc(size)); }
EXPORTED void* calloc(size_t count, size_t size) { return counted(__libc_calloc(count, size)); }
EXPORTED void* realloc(void* block, size_t size) { return counted(__libc_realloc(block, size)); }
EXPORTED void* memalign(size_t alignment, size_t size) { return counted(__libc_memalign(alignment, size)); }
EXPORTED void* aligned_alloc(size_t alignment, size_t size) { return memalign(alignment, size); }

EXPORTED int posix_memalign(void** block, size_t alignment, size_t size) {
    if (alignment % sizeof(void*) != 0 || (alignment & (alignment - 1)) != 0) return EINVAL;
    void* aligned = memalign(alignment, size);
    if (aligned == NULL) return ENOMEM;
    *block = aligned;
    return 0;
}
