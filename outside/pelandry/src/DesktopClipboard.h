#pragma once

#include "ClipboardBackend.h"
#include "GuiThread.h"

namespace pf::clipboard::detail {

// The desktop's clipboard (mode 0) and primary selection (mode 1), reached through Qt on the GUI thread.
// Changes of the clipboard, by this process or another program, are announced from the GUI thread.
class DesktopClipboard final : public ClipboardBackend {
public:
    static DesktopClipboard& instance();

    void replace(std::unique_ptr<PFClipboardData> data, PFClipboardMode mode) override;
    PFClipboardContent read(const std::u16string& mimeType, PFClipboardMode mode) override;
    std::vector<std::u16string> mimeTypes(PFClipboardMode mode) override;
    void watchChanges() override;

private:
    DesktopClipboard();

    GuiThread gui_;
};

}  // namespace pf::clipboard::detail
