#include "platform/dpi_awareness.h"

#include <atomic>

namespace platform {
namespace {
std::atomic<bool> dpiAware{false};
}

bool setProcessDpiAware() {
    dpiAware = true;
    return true;
}

bool isProcessDpiAware() { return dpiAware; }

}  // namespace platform
