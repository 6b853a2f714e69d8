#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace fl::filesystem {

// A file system path held as UTF-16 text.
class basic_path {
public:
    basic_path() = default;
    basic_path(std::u16string text) : text_(std::move(text)) {}
    basic_path(const char16_t* text) : text_(text) {}

    const std::u16string& native() const { return text_; }
    // UTF-8 form.
    std::string string() const;
    std::filesystem::path std_path() const;
    bool empty() const { return text_.empty(); }

    // Joins with one separator.
    basic_path& operator/=(const basic_path& child);
    friend basic_path operator/(basic_path parent, const basic_path& child) { return parent /= child; }

    friend bool operator==(const basic_path&, const basic_path&) = default;
    friend auto operator<=>(const basic_path&, const basic_path&) = default;

private:
    std::u16string text_;
};

bool exists(const basic_path& path);
bool is_directory(const basic_path& path);
// Creates the folder and its missing parents; true when it exists afterwards.
bool create_directories(const basic_path& path);
// Removes the path and everything below it; the number of entries removed (0 when absent).
std::uintmax_t remove_all(const basic_path& path);

namespace detail {
// Native spelling of a path: separators as '/', repeated separators folded into one.
std::u16string make_native_form(const std::u16string& path);
}  // namespace detail

}  // namespace fl::filesystem
