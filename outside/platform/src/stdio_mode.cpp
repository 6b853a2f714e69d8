#include "platform/stdio_mode.h"

#include <fcntl.h>

namespace platform {

// POSIX streams never translate line ends; only check that there is a stream to switch.
bool setBinaryMode(std::FILE* stream) {
    if (stream == nullptr) return false;
    const int descriptor = ::fileno(stream);
    return descriptor >= 0 && ::fcntl(descriptor, F_GETFD) != -1;
}

}  // namespace platform
