#pragma once

#include <functional>
#include <mutex>

#include "pf/clipboard/PFClipboardTypes.h"

namespace pf::clipboard::detail {

// Hands changes of the clipboard mode to the observer that the event library installed.
class ChangeAnnouncer {
public:
    // Never destroyed, so that a change seen while the process exits still finds it.
    static ChangeAnnouncer& instance();

    // Returns once a call of the previous observer in progress has ended.
    void setObserver(std::function<void()> observer);
    void announce(PFClipboardMode mode);

private:
    ChangeAnnouncer() = default;

    std::mutex mutex_;
    std::function<void()> observer_;
};

}  // namespace pf::clipboard::detail
