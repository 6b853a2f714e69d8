#pragma once

#include <cstdint>

namespace platform {

// True while processID names a live process. A process that has exited (a zombie included),
// been reaped, or cannot be inspected counts as gone.
bool isProcessRunning(std::int32_t processID);

}  // namespace platform
