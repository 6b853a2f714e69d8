#include "install/tambrel/testing.h"

#include <mutex>

namespace install::tambrel::testing {
namespace {

std::mutex capturedMutex;
std::vector<std::wstring> captured;

void record(const std::wstring& message) {
    std::lock_guard lock(capturedMutex);
    captured.push_back(message);
}

}  // namespace

installer_log_capture::installer_log_capture() {
    {
        std::lock_guard lock(capturedMutex);
        captured.clear();
    }
    logger::detail::set_observer(&record);
}

installer_log_capture::~installer_log_capture() { logger::detail::set_observer(nullptr); }

std::vector<std::wstring> installer_log_capture::messages() const {
    std::lock_guard lock(capturedMutex);
    return captured;
}

}  // namespace install::tambrel::testing
