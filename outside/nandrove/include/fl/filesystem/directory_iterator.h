#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "fl/filesystem/basic_path.h"

namespace fl::filesystem {

// A wildcard pattern on file names: '*' matches any run of characters, '?' any one character.
class tarnel_pattern_string_context {
public:
    explicit tarnel_pattern_string_context(std::u16string pattern) : pattern_(std::move(pattern)) {}
    bool matches(std::u16string_view name) const;

private:
    std::u16string pattern_;
};

// Walks the entries of one folder whose names match a pattern; a default-constructed iterator is the end.
// Constructing on a folder that cannot be read throws std::filesystem::filesystem_error.
class directory_iterator {
public:
    directory_iterator() = default;
    directory_iterator(const basic_path& folder, const tarnel_pattern_string_context& pattern);

    const basic_path& operator*() const { return current_; }
    const basic_path* operator->() const { return &current_; }
    directory_iterator& operator++();
    friend bool operator==(const directory_iterator& a, const directory_iterator& b) {
        return a.state_ == b.state_;
    }

private:
    struct state;
    void skipToMatch();

    std::shared_ptr<state> state_;
    basic_path current_;
};

}  // namespace fl::filesystem
