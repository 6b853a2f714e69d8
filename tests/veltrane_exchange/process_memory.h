#pragma once

#include <cstddef>
#include <fstream>
#include <string>

namespace exchange_test {

// The resident memory of a process in bytes, from /proc; 0 when the process is gone.
inline std::size_t residentBytes(int pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string field;
    while (status >> field) {
        if (field == "VmRSS:") {
            std::size_t kilobytes = 0;
            status >> kilobytes;
            return kilobytes * 1024;
        }
    }
    return 0;
}

}  // namespace exchange_test
