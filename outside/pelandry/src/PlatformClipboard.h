#pragma once

#include <array>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "pf/clipboard/PFClipboardData.h"

namespace pf::clipboard::detail {

// The process-wide clipboard: one contents object per mode.
class PELANDRY_EXPORT PlatformClipboard {
public:
    static PlatformClipboard& instance();

    void replace(std::unique_ptr<PFClipboardData> data, PFClipboardMode mode);
    // Applies an edit to the mode's contents under the lock, then announces the change.
    void edit(PFClipboardMode mode, const std::function<void(PFClipboardData&)>& change);
    PFClipboardContent read(const std::u16string& mimeType, PFClipboardMode mode);
    std::vector<std::u16string> mimeTypes(PFClipboardMode mode);
    PFClipboardAction action(PFClipboardMode mode);

    void setFailingCalls(unsigned mask);
    void setChangeObserver(std::function<void()> observer);
    void reset();

private:
    PlatformClipboard();
    PFClipboardData& contents(PFClipboardMode mode);
    void failIf(unsigned call) const;
    void announce(PFClipboardMode mode);

    std::mutex mutex_;
    std::array<std::unique_ptr<PFClipboardData>, 2> modes_;
    unsigned failingCalls_ = 0;
    std::function<void()> observer_;
};

}  // namespace pf::clipboard::detail
