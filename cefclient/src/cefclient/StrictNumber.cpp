#include "cefclient/StrictNumber.h"

#include <charconv>
#include <limits>

namespace veltrane_text {
namespace {

struct SignedDigits {
    bool negative = false;
    std::string_view digits;
};

std::optional<SignedDigits> splitSign(std::string_view text) {
    SignedDigits result;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        result.negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
    }
    result.digits = text;
    return result;
}

// The magnitude, or nothing when it exceeds the 64-bit range.
std::optional<std::uint64_t> magnitude(std::string_view digits) {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return value;
}

}  // namespace

std::optional<std::int32_t> toInt32(std::string_view text) {
    const auto parts = splitSign(text);
    if (!parts) return std::nullopt;
    const auto value = magnitude(parts->digits);
    if (!value) return std::nullopt;
    constexpr std::uint64_t maxPositive = std::numeric_limits<std::int32_t>::max();
    if (parts->negative) {
        if (*value > maxPositive + 1) return std::nullopt;
        return static_cast<std::int32_t>(-static_cast<std::int64_t>(*value));
    }
    if (*value > maxPositive) return std::nullopt;
    return static_cast<std::int32_t>(*value);
}

std::optional<std::uint64_t> toUint64(std::string_view text) {
    const auto parts = splitSign(text);
    if (!parts) return std::nullopt;
    const auto value = magnitude(parts->digits);
    if (!value || (parts->negative && *value != 0)) return std::nullopt;
    return value;
}

std::optional<bool> toBool(std::string_view text) {
    const auto value = toInt32(text);
    if (!value || (*value != 0 && *value != 1)) return std::nullopt;
    return *value == 1;
}

}  // namespace veltrane_text
