#pragma once

#include <string>

namespace platform {

// The process's explicit application user model id, kept for the process's lifetime.
bool setCurrentProcessExplicitAppUserModelID(const std::u16string& id);
// Empty until set.
std::u16string currentProcessExplicitAppUserModelID();

}  // namespace platform
