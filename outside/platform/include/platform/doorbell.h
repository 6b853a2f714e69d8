#pragma once

#include <atomic>

namespace platform {

// Wakes one sleeping thread with one system call, and none when it does not sleep. Any thread rings; one thread
// waits. A ring that comes before the wait ends the next wait at once, so a waiter that checks its work, finds
// none and then waits misses no ring; rings that come together may wake it once. The waiter checks its work
// again after each wait.
class Doorbell {
public:
    void ring();
    void wait();

private:
    static constexpr int kQuiet = 0;
    static constexpr int kRung = 1;
    static constexpr int kSleeping = 2;

    std::atomic<int> state_{kQuiet};
};

}  // namespace platform
