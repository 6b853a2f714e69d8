#pragma once

#include "veltranelib/native_window.h"
#include "veltranelib/testing.h"

namespace veltranelib {
class PageWindow;
}

struct NativeWindow::State {
    veltranelib::testing::WindowState data;
    CefRefPtr<CefClient> handler;
    CefWindowHandle handle = 0;
    // The engine's window showing the page; used on the UI thread only.
    veltranelib::PageWindow* page = nullptr;
    // A pop-up's page already loads its URL when the window opens.
    bool pageLoading = false;
};
