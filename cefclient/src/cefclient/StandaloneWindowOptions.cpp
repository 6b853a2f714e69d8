#include "cefclient/StandaloneWindowOptions.h"

#include <array>

#include "cefclient/StrictNumber.h"

std::optional<CefRect> parseWindowPosition(std::string_view value) {
    std::array<int, 4> numbers{};
    std::size_t count = 0;
    std::size_t start = 0;
    while (start < value.size()) {
        const std::size_t end = value.find_first_of(", ", start);
        const std::string_view token = value.substr(start, end == std::string_view::npos ? end : end - start);
        if (!token.empty()) {
            const auto number = veltrane_text::toInt32(token);
            if (!number || count == numbers.size()) return std::nullopt;
            numbers[count++] = *number;
        }
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return CefRect(numbers[0], numbers[1], numbers[2], numbers[3]);
}
