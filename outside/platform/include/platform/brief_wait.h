#pragma once

#include <chrono>

namespace platform {

// Lets a thread about to sleep look for its next piece of work for a short while first: a wake-up costs tens
// of microseconds, looking on an otherwise idle core costs nothing. It gives way under load: it does not look
// for a while after the thread was descheduled in the middle of a look, and it looks only while the last wait
// was short enough for a look to have caught it. One per waiting thread.
class BriefWait {
public:
    using Clock = std::chrono::steady_clock;

    // Starts a wait: looks, continuously, until ready() holds or looking stops paying. True when ready()
    // held.
    template <typename Ready>
    bool lookFor(const Ready& ready) {
        const auto start = Clock::now();
        waitStarted_ = start;
        if (!lastWaitShort_ || start < quietUntil_) return ready();
        for (auto last = start;;) {
            if (ready()) return true;
            relax();
            const auto now = Clock::now();
            if (now - last > kDescheduled) {
                quietUntil_ = now + kQuietAfterDescheduled;
                return false;
            }
            if (now - start > kLook) return false;
            last = now;
        }
    }

    // Ends the wait that lookFor started: the work has come, found by looking or after sleeping.
    void found() { lastWaitShort_ = Clock::now() - waitStarted_ <= kShortWait; }

private:
    static constexpr auto kLook = std::chrono::microseconds(100);
    // A sleeping wait also pays its wake-up; one this short would have been caught by a look.
    static constexpr auto kShortWait = 2 * kLook;
    // Longer than the pauses that interrupts, or a virtual machine's host, put between two looks (tens of
    // microseconds, often): the thread lost its core.
    static constexpr auto kDescheduled = std::chrono::microseconds(200);
    static constexpr auto kQuietAfterDescheduled = std::chrono::milliseconds(20);

    static void relax() {
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#endif
    }

    Clock::time_point waitStarted_;
    Clock::time_point quietUntil_;
    bool lastWaitShort_ = true;
};

}  // namespace platform
