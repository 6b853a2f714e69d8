#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// Strict decimal conversions of command-line values and event arguments: an optional '+' or '-', then digits
// only, and the value must fit the target type. Anything else gives no value.
namespace veltrane_text {

std::optional<std::int32_t> toInt32(std::string_view text);
std::optional<std::uint64_t> toUint64(std::string_view text);
// "0" or "1", with leading zeros and a sign allowed ("+1", "-0", "001"); "-1" is not a boolean.
std::optional<bool> toBool(std::string_view text);

}  // namespace veltrane_text
