#pragma once

#include <compare>
#include <string>
#include <string_view>

// The engine's string: UTF-16 text, made from and read as UTF-8 or UTF-16.
class CefString {
public:
    CefString() = default;
    CefString(const char* utf8) : CefString(std::string_view(utf8 ? utf8 : "")) {}
    CefString(const std::string& utf8) : CefString(std::string_view(utf8)) {}
    CefString(std::string_view utf8);
    CefString(const char16_t* utf16) : text_(utf16 ? utf16 : u"") {}
    CefString(std::u16string utf16) : text_(std::move(utf16)) {}

    std::string ToString() const;
    const std::u16string& ToString16() const { return text_; }
    operator std::string() const { return ToString(); }

    bool empty() const { return text_.empty(); }
    std::size_t length() const { return text_.size(); }
    void clear() { text_.clear(); }

    bool operator==(const CefString& other) const = default;
    auto operator<=>(const CefString& other) const = default;

private:
    std::u16string text_;
};
