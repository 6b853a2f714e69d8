#pragma once

#include <cstdint>

#include "cef/cef_string.h"
#include "cef/geometry.h"

// A native window handle; 0 is none.
using CefWindowHandle = std::uint64_t;

// Creation data of a browser's native window.
class CefWindowInfo {
public:
    CefWindowHandle parent_window = 0;
    CefRect bounds;
    CefString window_name;
    int hidden = 0;
};
