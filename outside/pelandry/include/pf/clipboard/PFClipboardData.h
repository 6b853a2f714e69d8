#pragma once

#include <string>
#include <utility>
#include <vector>

#include "pf/clipboard/PFClipboardTypes.h"

namespace pf::clipboard {

// Contents to put on the clipboard at once, one entry per MIME type in the order added.
class PELANDRY_EXPORT PFClipboardData {
public:
    // Adding a MIME type again replaces its content and keeps its place.
    void addData(const std::u16string& mimeType, const std::u16string& text);
    void addData(const std::u16string& mimeType, const std::vector<fl::filesystem::basic_path>& paths);
    void addData(const std::u16string& mimeType, std::shared_ptr<pf::graphics::PFGraphics> graphics);
    void addData(const std::u16string& mimeType, std::vector<std::byte> bytes);

    void setClipboardAction(PFClipboardAction action) { action_ = action; }
    PFClipboardAction clipboardAction() const { return action_; }

    // Monostate when the type is absent.
    PFClipboardContent content(const std::u16string& mimeType) const;
    std::vector<std::u16string> mimeTypes() const;

private:
    void put(const std::u16string& mimeType, PFClipboardContent content);

    std::vector<std::pair<std::u16string, PFClipboardContent>> entries_;
    PFClipboardAction action_ = PFClipboardActionCopy;
};

}  // namespace pf::clipboard
