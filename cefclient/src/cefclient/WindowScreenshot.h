#pragma once

#include "veltranelib/native_window.h"

// No screen is wider or taller than this; a window that is gets no picture.
inline constexpr int kLargestScreenSide = 16384;

// Takes the window's screenshot, on the UI thread. A window larger than any screen is answered as a window with no
// content (no image data, width and height 0) and an error is logged: picturing it could exhaust the memory.
void takeScreenshot(NativeWindow& window);
