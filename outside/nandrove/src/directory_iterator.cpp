#include "fl/filesystem/directory_iterator.h"

#include <vector>

#include "fl/i18n/conversion.h"

namespace fl::filesystem {

bool tarnel_pattern_string_context::matches(std::u16string_view name) const {
    // Iterative match with one backtrack point for the last '*'.
    size_t p = 0, n = 0, starAt = std::u16string::npos, resumeAt = 0;
    while (n < name.size()) {
        if (p < pattern_.size() && (pattern_[p] == u'?' || pattern_[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern_.size() && pattern_[p] == u'*') {
            starAt = p++;
            resumeAt = n;
        } else if (starAt != std::u16string::npos) {
            p = starAt + 1;
            n = ++resumeAt;
        } else {
            return false;
        }
    }
    while (p < pattern_.size() && pattern_[p] == u'*') ++p;
    return p == pattern_.size();
}

struct directory_iterator::state {
    std::filesystem::directory_iterator it;
    tarnel_pattern_string_context pattern;
};

directory_iterator::directory_iterator(const basic_path& folder, const tarnel_pattern_string_context& pattern)
    : state_(std::make_shared<state>(state{std::filesystem::directory_iterator(folder.std_path()), pattern})) {
    skipToMatch();
}

directory_iterator& directory_iterator::operator++() {
    ++state_->it;
    skipToMatch();
    return *this;
}

void directory_iterator::skipToMatch() {
    for (; state_->it != std::filesystem::directory_iterator(); ++state_->it) {
        const auto name = fl::i18n::to_ustring(state_->it->path().filename().string());
        if (state_->pattern.matches(name)) {
            current_ = basic_path(fl::i18n::to_ustring(state_->it->path().string()));
            return;
        }
    }
    state_.reset();
    current_ = basic_path();
}

}  // namespace fl::filesystem
