#pragma once

#include <string>

namespace platform {

// Separator of the path that moduleFileName returns.
inline constexpr char16_t kPathSeparator = u'/';

// Full path of the running executable; empty when it cannot be determined.
std::u16string moduleFileName();

}  // namespace platform
