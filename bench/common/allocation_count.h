// The reading end of the allocation counter (allocation_counter.c): a shared file that a child started with
// childEnvironment() counts its allocations in.
#pragma once

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

namespace bench_allocations {

class AllocationCount {
public:
    explicit AllocationCount(std::string counterLibrary) : library_(std::move(counterLibrary)) {
        std::string pattern = "/dev/shm/allocation-count-XXXXXX";
        const int fd = ::mkstemp(pattern.data());
        if (fd < 0) throw std::runtime_error("cannot make the allocation counter's file");
        path_ = pattern;
        void* mapped = MAP_FAILED;
        if (::ftruncate(fd, sizeof(std::uint64_t)) == 0)
            mapped = ::mmap(nullptr, sizeof(std::uint64_t), PROT_READ, MAP_SHARED, fd, 0);
        ::close(fd);
        if (mapped == MAP_FAILED) {
            ::unlink(path_.c_str());
            throw std::runtime_error("cannot map the allocation counter's file");
        }
        count_ = static_cast<std::uint64_t*>(mapped);
    }
    ~AllocationCount() {
        ::munmap(count_, sizeof(std::uint64_t));
        ::unlink(path_.c_str());
    }
    AllocationCount(const AllocationCount&) = delete;
    AllocationCount& operator=(const AllocationCount&) = delete;

    // The "NAME=value" entries that make a child count its allocations here.
    std::vector<std::string> childEnvironment() const {
        return {"LD_PRELOAD=" + library_, "ALLOCATION_COUNTER_FILE=" + path_};
    }

    std::uint64_t now() const {
        return std::atomic_ref<std::uint64_t>(*count_).load(std::memory_order_relaxed);
    }

private:
    std::string library_;
    std::string path_;
    std::uint64_t* count_ = nullptr;
};

}  // namespace bench_allocations
