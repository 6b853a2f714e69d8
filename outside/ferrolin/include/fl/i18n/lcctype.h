#pragma once

namespace fl::i18n::lcctype {

// Classic-locale character classes; values outside 0..127 (a sign-widened byte included) are neither.
constexpr bool isdigit_ascii(int c) { return c >= '0' && c <= '9'; }
constexpr bool isspace_ascii(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace fl::i18n::lcctype
