#include "cef/cef_string.h"

#include "fl/i18n/conversion.h"

CefString::CefString(std::string_view utf8) : text_(fl::i18n::to_ustring(utf8)) {}

std::string CefString::ToString() const { return fl::i18n::to_string(text_); }
