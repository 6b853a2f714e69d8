#include "ChangeAnnouncer.h"

namespace pf::clipboard::detail {

ChangeAnnouncer& ChangeAnnouncer::instance() {
    static auto* announcer = new ChangeAnnouncer;
    return *announcer;
}

void ChangeAnnouncer::setObserver(std::function<void()> observer) {
    std::lock_guard lock(mutex_);
    observer_ = std::move(observer);
}

// The observer only hands the change on, so it is called under the lock: clearing it then waits for the call.
void ChangeAnnouncer::announce(PFClipboardMode mode) {
    if (mode != PFClipboardModeClipboard) return;
    std::lock_guard lock(mutex_);
    if (observer_) observer_();
}

}  // namespace pf::clipboard::detail
