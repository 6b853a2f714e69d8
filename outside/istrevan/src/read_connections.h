#pragma once

#include <atomic>
#include <chrono>

namespace foundation::msg_svc::exchange::detail {

// Whether more than one connection is being read lately. A connection that looks for its partner's next bytes
// keeps its thread from the other connections' input, so it looks only while it is the only one being read.
class ReadConnections {
public:
    using Clock = std::chrono::steady_clock;

    // A read gave the connection input.
    void readFrom(const void* connection, Clock::time_point now) {
        const Clock::rep at = now.time_since_epoch().count();
        const void* previous = last_.exchange(connection, std::memory_order_relaxed);
        const Clock::rep previousAt = lastAt_.exchange(at, std::memory_order_relaxed);
        if (previous != nullptr && previous != connection && at - previousAt < kTogether.count())
            severalUntil_.store(at + kSeveralFor.count(), std::memory_order_relaxed);
    }

    // Whether reads of two connections came close together in the last while.
    bool several(Clock::time_point now) const {
        return now.time_since_epoch().count() < severalUntil_.load(std::memory_order_relaxed);
    }

private:
    // Reads of two connections this close together: both are being read.
    static constexpr Clock::duration kTogether = std::chrono::milliseconds(1);
    // How long no connection looks after that.
    static constexpr Clock::duration kSeveralFor = std::chrono::milliseconds(50);

    std::atomic<const void*> last_{nullptr};
    std::atomic<Clock::rep> lastAt_{0};
    std::atomic<Clock::rep> severalUntil_{0};
};

}  // namespace foundation::msg_svc::exchange::detail
