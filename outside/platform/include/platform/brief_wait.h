#pragma once

#include <chrono>

namespace platform {

// Lets a thread about to sleep look for its next piece of work for a short while first: a wake-up costs tens
// of microseconds, looking on an otherwise idle core costs nothing. It gives way under load: it does not look
// while the machine has no idle core (a look would use up the thread's share of a busy core, and every later
// wake-up would then wait for the thread's turn), nor for a while after the thread lost its core in the middle
// of a look; and it looks only while the last wait was short enough for a look to have caught it. One per
// waiting thread, or per strand.
class BriefWait {
public:
    using Clock = std::chrono::steady_clock;

    // Starts a wait: looks, continuously, until ready() holds or looking stops paying. True when ready()
    // held.
    template <typename Ready>
    bool lookFor(const Ready& ready) {
        return begin() ? look(ready) : ready();
    }

    // Starts a wait that looks only when looking pays: true when it does, and look() is to follow.
    bool begin() {
        waitStarted_ = Clock::now();
        return lastWaitShort_ && !coresContended(waitStarted_);
    }

    // Looks, continuously, until ready() holds or looking stops paying; true when ready() held.
    template <typename Ready>
    bool look(const Ready& ready) {
        const auto start = waitStarted_;
        for (auto last = start;;) {
            if (ready()) return true;
            relax();
            const auto now = Clock::now();
            if (now - last > kDescheduled) {
                lostCore(now);
                return false;
            }
            if (now - start > kLook) return false;
            last = now;
        }
    }

    // Ends the wait that lookFor or begin started: the work has come, found by looking or after sleeping.
    void found() { lastWaitShort_ = Clock::now() - waitStarted_ <= kShortWait; }

private:
    static constexpr auto kLook = std::chrono::microseconds(100);
    // A sleeping wait also pays its wake-up; one this short would have been caught by a look.
    static constexpr auto kShortWait = 2 * kLook;
    // Longer than the pauses that interrupts, or a virtual machine's host, put between two looks (tens of
    // microseconds, often): the thread lost its core.
    static constexpr auto kDescheduled = std::chrono::microseconds(200);

    // Whether the calling thread should not look now: the machine has no idle core, or the thread lost its core
    // lately.
    static bool coresContended(Clock::time_point now);
    static void lostCore(Clock::time_point now);

    static void relax() {
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#endif
    }

    Clock::time_point waitStarted_;
    bool lastWaitShort_ = true;
};

}  // namespace platform
