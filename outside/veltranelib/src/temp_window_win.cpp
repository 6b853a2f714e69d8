#include "veltranelib/temp_window_win.h"

#include <atomic>

namespace client {
namespace {

std::atomic<CefWindowHandle> currentHandle{0};
std::atomic<CefWindowHandle> lastHandle{0x10000};

}  // namespace

TempWindowWin::TempWindowWin() : handle_(++lastHandle) { currentHandle = handle_; }

TempWindowWin::~TempWindowWin() {
    CefWindowHandle own = handle_;
    currentHandle.compare_exchange_strong(own, 0);
}

CefWindowHandle TempWindowWin::GetWindowHandle() { return currentHandle; }

}  // namespace client
