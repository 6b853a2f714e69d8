#pragma once

#include <optional>

namespace platform::detail {

// Whether the machine is taken to have an idle core, whatever it has, while set (tests only).
std::optional<bool> exchangeIdleCoresOverride(std::optional<bool> idleCore);

}  // namespace platform::detail
