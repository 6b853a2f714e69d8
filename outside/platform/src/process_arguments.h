#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform::detail {

// Arguments that replace the process's own while set (tests only).
std::optional<std::vector<std::string>> exchangeArgumentsOverride(std::optional<std::vector<std::string>> arguments);

}  // namespace platform::detail
