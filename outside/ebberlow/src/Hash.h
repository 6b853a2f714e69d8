#pragma once

#include <string>
#include <string_view>

namespace ravo::detail {

// 64-bit FNV-1a of the text as 16 lower-case hex digits.
std::string hashHex(std::string_view text);

}  // namespace ravo::detail
