#pragma once

#include "veltranelib/native_window.h"
#include "veltranelib/testing.h"

struct NativeWindow::State {
    veltranelib::testing::WindowState data;
    CefRefPtr<CefClient> handler;
    CefWindowHandle handle = 0;
};
