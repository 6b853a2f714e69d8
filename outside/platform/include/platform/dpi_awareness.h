#pragma once

namespace platform {

// Marks the process as handling display scaling itself; always succeeds here.
bool setProcessDpiAware();
bool isProcessDpiAware();

}  // namespace platform
