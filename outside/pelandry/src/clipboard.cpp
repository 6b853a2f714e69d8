#include "pf/clipboard/clipboard.h"

#include <cstdlib>
#include <string_view>

#include "ChangeAnnouncer.h"
#include "DesktopClipboard.h"
#include "MemoryClipboard.h"
#include "pf/clipboard/change_observer.h"

namespace pf::clipboard {
namespace detail {
namespace {

bool wantsMemory() {
    const char* choice = std::getenv("PELANDRY_CLIPBOARD");
    const char* display = std::getenv("DISPLAY");
    return (choice != nullptr && std::string_view(choice) == "memory") || display == nullptr || *display == '\0';
}

}  // namespace

ClipboardBackend& activeClipboard() {
    static ClipboardBackend& backend =
        wantsMemory() ? static_cast<ClipboardBackend&>(MemoryClipboard::instance()) : DesktopClipboard::instance();
    return backend;
}

void setClipboardChangeObserver(std::function<void()> observer) {
    if (observer) activeClipboard().watchChanges();
    ChangeAnnouncer::instance().setObserver(std::move(observer));
}

}  // namespace detail

void setClipboardData(std::unique_ptr<PFClipboardData> data, PFClipboardMode mode) {
    detail::activeClipboard().replace(std::move(data), mode);
}

PFClipboardContent getClipboardDataSync(const std::u16string& mimeType, PFClipboardMode mode) {
    return detail::activeClipboard().read(mimeType, mode);
}

std::vector<std::u16string> getAvailableMimeTypesSync(PFClipboardMode mode) {
    return detail::activeClipboard().mimeTypes(mode);
}

}  // namespace pf::clipboard
