#include "pf/clipboard/PFClipboardData.h"

#include <algorithm>

namespace pf::clipboard {

void PFClipboardData::addData(const std::u16string& mimeType, const std::u16string& text) {
    put(mimeType, text);
}

void PFClipboardData::addData(const std::u16string& mimeType, const std::vector<fl::filesystem::basic_path>& paths) {
    put(mimeType, paths);
}

void PFClipboardData::addData(const std::u16string& mimeType, std::shared_ptr<pf::graphics::PFGraphics> graphics) {
    put(mimeType, std::move(graphics));
}

void PFClipboardData::addData(const std::u16string& mimeType, std::vector<std::byte> bytes) {
    put(mimeType, std::move(bytes));
}

PFClipboardContent PFClipboardData::content(const std::u16string& mimeType) const {
    auto entry = std::find_if(entries_.begin(), entries_.end(), [&](const auto& e) { return e.first == mimeType; });
    return entry == entries_.end() ? PFClipboardContent{} : entry->second;
}

std::vector<std::u16string> PFClipboardData::mimeTypes() const {
    std::vector<std::u16string> types;
    types.reserve(entries_.size());
    for (const auto& entry : entries_) types.push_back(entry.first);
    return types;
}

void PFClipboardData::put(const std::u16string& mimeType, PFClipboardContent content) {
    auto entry = std::find_if(entries_.begin(), entries_.end(), [&](const auto& e) { return e.first == mimeType; });
    if (entry != entries_.end()) {
        entry->second = std::move(content);
    } else {
        entries_.emplace_back(mimeType, std::move(content));
    }
}

}  // namespace pf::clipboard
