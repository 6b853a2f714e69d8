#pragma once

#include "cef/window_info.h"

namespace client {

// A hidden window that parents pop-ups until their own window exists. At most one lives at a
// time.
class TempWindowWin {
public:
    TempWindowWin();
    ~TempWindowWin();
    TempWindowWin(const TempWindowWin&) = delete;
    TempWindowWin& operator=(const TempWindowWin&) = delete;

    // The live hidden window's handle; 0 when there is none.
    static CefWindowHandle GetWindowHandle();

private:
    CefWindowHandle handle_;
};

}  // namespace client
