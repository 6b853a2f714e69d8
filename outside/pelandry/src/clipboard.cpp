#include "pf/clipboard/clipboard.h"

#include "PlatformClipboard.h"
#include "pf/clipboard/change_observer.h"

namespace pf::clipboard {

void setClipboardData(std::unique_ptr<PFClipboardData> data, PFClipboardMode mode) {
    detail::PlatformClipboard::instance().replace(std::move(data), mode);
}

PFClipboardContent getClipboardDataSync(const std::u16string& mimeType, PFClipboardMode mode) {
    return detail::PlatformClipboard::instance().read(mimeType, mode);
}

std::vector<std::u16string> getAvailableMimeTypesSync(PFClipboardMode mode) {
    return detail::PlatformClipboard::instance().mimeTypes(mode);
}

namespace detail {

void setClipboardChangeObserver(std::function<void()> observer) {
    PlatformClipboard::instance().setChangeObserver(std::move(observer));
}

}  // namespace detail
}  // namespace pf::clipboard
