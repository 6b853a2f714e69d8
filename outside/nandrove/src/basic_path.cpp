#include "fl/filesystem/basic_path.h"

#include <system_error>

#include "fl/i18n/conversion.h"

namespace fl::filesystem {
namespace {

bool isSeparator(char16_t c) { return c == u'/' || c == u'\\'; }

}  // namespace

std::string basic_path::string() const { return fl::i18n::to_string(text_); }

std::filesystem::path basic_path::std_path() const { return std::filesystem::path(string()); }

basic_path& basic_path::operator/=(const basic_path& child) {
    if (text_.empty()) {
        text_ = child.text_;
        return *this;
    }
    if (child.text_.empty()) return *this;
    const bool parentEnds = isSeparator(text_.back());
    const bool childStarts = isSeparator(child.text_.front());
    if (parentEnds && childStarts) {
        text_.append(child.text_, 1);
    } else {
        if (!parentEnds && !childStarts) text_.push_back(u'/');
        text_ += child.text_;
    }
    return *this;
}

bool exists(const basic_path& path) {
    std::error_code error;
    return !path.empty() && std::filesystem::exists(path.std_path(), error);
}

bool is_directory(const basic_path& path) {
    std::error_code error;
    return !path.empty() && std::filesystem::is_directory(path.std_path(), error);
}

bool create_directories(const basic_path& path) {
    std::error_code error;
    std::filesystem::create_directories(path.std_path(), error);
    return is_directory(path);
}

std::uintmax_t remove_all(const basic_path& path) {
    std::error_code error;
    if (path.empty()) return 0;
    const auto removed = std::filesystem::remove_all(path.std_path(), error);
    return removed == static_cast<std::uintmax_t>(-1) ? 0 : removed;
}

namespace detail {

std::u16string make_native_form(const std::u16string& path) {
    std::u16string out;
    out.reserve(path.size());
    for (char16_t c : path) {
        if (isSeparator(c)) {
            if (!out.empty() && out.back() == u'/') continue;
            out.push_back(u'/');
        } else {
            out.push_back(c);
        }
    }
    return out;
}

}  // namespace detail
}  // namespace fl::filesystem
