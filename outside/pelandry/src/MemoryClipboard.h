#pragma once

#include <array>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ClipboardBackend.h"

namespace pf::clipboard::detail {

// The clipboard kept in process memory: one contents object per mode.
class PELANDRY_EXPORT MemoryClipboard final : public ClipboardBackend {
public:
    static MemoryClipboard& instance();

    void replace(std::unique_ptr<PFClipboardData> data, PFClipboardMode mode) override;
    PFClipboardContent read(const std::u16string& mimeType, PFClipboardMode mode) override;
    std::vector<std::u16string> mimeTypes(PFClipboardMode mode) override;

    // Applies an edit to the mode's contents under the lock, then announces the change.
    void edit(PFClipboardMode mode, const std::function<void(PFClipboardData&)>& change);
    PFClipboardAction action(PFClipboardMode mode);
    void setFailingCalls(unsigned mask);
    void reset();

private:
    MemoryClipboard();
    PFClipboardData& contents(PFClipboardMode mode);
    void failIf(unsigned call) const;

    std::mutex mutex_;
    std::array<std::unique_ptr<PFClipboardData>, 2> modes_;
    unsigned failingCalls_ = 0;
};

}  // namespace pf::clipboard::detail
