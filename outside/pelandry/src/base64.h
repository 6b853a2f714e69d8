#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace pf::graphics::detail {

// Standard alphabet with '=' padding; anything else, non-zero trailing bits included, throws
// std::invalid_argument.
std::vector<std::byte> decodeBase64(const std::string& text);
std::vector<std::byte> encodeBase64(const std::vector<std::byte>& bytes);

}  // namespace pf::graphics::detail
