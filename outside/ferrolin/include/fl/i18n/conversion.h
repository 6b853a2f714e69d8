#pragma once

#include <string>
#include <string_view>

namespace fl::i18n {

// UTF-8 to UTF-16. Invalid or truncated sequences become U+FFFD.
std::u16string to_ustring(std::string_view utf8);

// UTF-16 to UTF-8. Unpaired surrogates become U+FFFD.
std::string to_string(std::u16string_view utf16);

}  // namespace fl::i18n
