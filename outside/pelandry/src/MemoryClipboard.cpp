#include "MemoryClipboard.h"

#include <stdexcept>

#include "ChangeAnnouncer.h"
#include "pf/clipboard/testing.h"

namespace pf::clipboard::detail {

MemoryClipboard& MemoryClipboard::instance() {
    static MemoryClipboard clipboard;
    return clipboard;
}

MemoryClipboard::MemoryClipboard() {
    for (auto& data : modes_) data = std::make_unique<PFClipboardData>();
}

PFClipboardData& MemoryClipboard::contents(PFClipboardMode mode) {
    if (mode != PFClipboardModeClipboard && mode != PFClipboardModeSelection) {
        throw std::invalid_argument("unknown clipboard mode");
    }
    return *modes_[mode];
}

void MemoryClipboard::failIf(unsigned call) const {
    if ((failingCalls_ & call) != 0) throw std::runtime_error("the platform clipboard is not available");
}

void MemoryClipboard::replace(std::unique_ptr<PFClipboardData> data, PFClipboardMode mode) {
    if (!data) data = std::make_unique<PFClipboardData>();
    {
        std::lock_guard lock(mutex_);
        failIf(testing::failWrite);
        contents(mode) = std::move(*data);
    }
    ChangeAnnouncer::instance().announce(mode);
}

void MemoryClipboard::edit(PFClipboardMode mode, const std::function<void(PFClipboardData&)>& change) {
    {
        std::lock_guard lock(mutex_);
        change(contents(mode));
    }
    ChangeAnnouncer::instance().announce(mode);
}

PFClipboardContent MemoryClipboard::read(const std::u16string& mimeType, PFClipboardMode mode) {
    std::lock_guard lock(mutex_);
    failIf(testing::failRead);
    return contents(mode).content(mimeType);
}

std::vector<std::u16string> MemoryClipboard::mimeTypes(PFClipboardMode mode) {
    std::lock_guard lock(mutex_);
    failIf(testing::failListTypes);
    return contents(mode).mimeTypes();
}

PFClipboardAction MemoryClipboard::action(PFClipboardMode mode) {
    std::lock_guard lock(mutex_);
    return contents(mode).clipboardAction();
}

void MemoryClipboard::setFailingCalls(unsigned mask) {
    std::lock_guard lock(mutex_);
    failingCalls_ = mask;
}

void MemoryClipboard::reset() {
    std::lock_guard lock(mutex_);
    for (auto& data : modes_) *data = PFClipboardData();
    failingCalls_ = 0;
}

}  // namespace pf::clipboard::detail
