#include <charconv>
#include <clocale>
#include <cstring>
#include <cstdlib>
#include <locale.h>
#include <string_view>

#include "fl/i18n/conversion.h"
#include "foundation/json/value.h"

namespace foundation::json::detail {

double string_to_double(const char* lexeme) {
    // Plain decimal text in range converts without the locale machinery; anything else (white space, hex,
    // out of range) takes the classic-locale path, so that '.' is the decimal point whatever the locale is.
    const char* end = lexeme + std::strlen(lexeme);
    double value = 0;
    const auto [stop, error] = std::from_chars(lexeme, end, value);
    if (error == std::errc() && stop == end) return value;
    static const locale_t classic = newlocale(LC_ALL_MASK, "C", locale_t{});
    return strtod_l(lexeme, nullptr, classic);
}

std::string u16_to_u8(char16_t* units, int count) {
    return fl::i18n::to_string(std::u16string_view(units, count > 0 ? static_cast<std::size_t>(count) : 0));
}

}  // namespace foundation::json::detail
