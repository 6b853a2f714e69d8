#include "platform/doorbell.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {
namespace {

static_assert(sizeof(std::atomic<int>) == sizeof(int) && std::atomic<int>::is_always_lock_free);

int* word(std::atomic<int>& state) { return reinterpret_cast<int*>(&state); }

}  // namespace

void Doorbell::ring() {
    if (state_.exchange(kRung, std::memory_order_acq_rel) == kSleeping)
        ::syscall(SYS_futex, word(state_), FUTEX_WAKE_PRIVATE, 1, nullptr, nullptr, 0);
}

void Doorbell::wait() {
    int expected = kQuiet;
    if (state_.compare_exchange_strong(expected, kSleeping, std::memory_order_acq_rel)) {
        // Returns on a ring, on a signal, or at once when the ring came first; only a ring ends the wait.
        while (state_.load(std::memory_order_acquire) == kSleeping)
            ::syscall(SYS_futex, word(state_), FUTEX_WAIT_PRIVATE, kSleeping, nullptr, nullptr, 0);
    }
    state_.store(kQuiet, std::memory_order_release);
}

}  // namespace platform
