#include "PlatformClipboard.h"

#include <stdexcept>

#include "pf/clipboard/testing.h"

namespace pf::clipboard::detail {

PlatformClipboard& PlatformClipboard::instance() {
    static PlatformClipboard clipboard;
    return clipboard;
}

PlatformClipboard::PlatformClipboard() {
    for (auto& data : modes_) data = std::make_unique<PFClipboardData>();
}

PFClipboardData& PlatformClipboard::contents(PFClipboardMode mode) {
    if (mode != PFClipboardModeClipboard && mode != PFClipboardModeSelection) {
        throw std::invalid_argument("unknown clipboard mode");
    }
    return *modes_[mode];
}

void PlatformClipboard::failIf(unsigned call) const {
    if ((failingCalls_ & call) != 0) throw std::runtime_error("the platform clipboard is not available");
}

void PlatformClipboard::replace(std::unique_ptr<PFClipboardData> data, PFClipboardMode mode) {
    if (!data) data = std::make_unique<PFClipboardData>();
    {
        std::lock_guard lock(mutex_);
        failIf(testing::failWrite);
        contents(mode) = std::move(*data);
    }
    announce(mode);
}

void PlatformClipboard::edit(PFClipboardMode mode, const std::function<void(PFClipboardData&)>& change) {
    {
        std::lock_guard lock(mutex_);
        change(contents(mode));
    }
    announce(mode);
}

PFClipboardContent PlatformClipboard::read(const std::u16string& mimeType, PFClipboardMode mode) {
    std::lock_guard lock(mutex_);
    failIf(testing::failRead);
    return contents(mode).content(mimeType);
}

std::vector<std::u16string> PlatformClipboard::mimeTypes(PFClipboardMode mode) {
    std::lock_guard lock(mutex_);
    failIf(testing::failListTypes);
    return contents(mode).mimeTypes();
}

PFClipboardAction PlatformClipboard::action(PFClipboardMode mode) {
    std::lock_guard lock(mutex_);
    return contents(mode).clipboardAction();
}

void PlatformClipboard::setFailingCalls(unsigned mask) {
    std::lock_guard lock(mutex_);
    failingCalls_ = mask;
}

void PlatformClipboard::setChangeObserver(std::function<void()> observer) {
    std::lock_guard lock(mutex_);
    observer_ = std::move(observer);
}

void PlatformClipboard::reset() {
    std::lock_guard lock(mutex_);
    for (auto& data : modes_) *data = PFClipboardData();
    failingCalls_ = 0;
}

void PlatformClipboard::announce(PFClipboardMode mode) {
    if (mode != PFClipboardModeClipboard) return;
    std::function<void()> observer;
    {
        std::lock_guard lock(mutex_);
        observer = observer_;
    }
    if (observer) observer();
}

}  // namespace pf::clipboard::detail
