// Short turns change how long the thread runs at a time, and nothing else about how it is scheduled.
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdint>
#include <thread>

#include <gtest/gtest.h>

#include "platform/short_turns.h"

namespace {

// The length of the calling thread's turn as the kernel reports it; 0 where it reports none.
std::uint64_t turnNanoseconds() {
    struct {
        std::uint32_t size, policy;
        std::uint64_t flags;
        std::int32_t nice;
        std::uint32_t priority;
        std::uint64_t runtime, deadline, period;
    } attributes{};
    if (::syscall(SYS_sched_getattr, 0, &attributes, sizeof attributes, 0) != 0) return 0;
    return attributes.runtime;
}

}  // namespace

TEST(ShortTurns, TheThreadKeepsItsPolicyAndNiceValue) {
    std::thread([] {
        const auto thread = static_cast<id_t>(::gettid());
        ASSERT_EQ(::setpriority(PRIO_PROCESS, thread, 5), 0);
        const std::uint64_t before = turnNanoseconds();

        platform::requestShortTurns();

        EXPECT_EQ(::sched_getscheduler(0), SCHED_OTHER);
        EXPECT_EQ(::getpriority(PRIO_PROCESS, thread), 5);
        // Kernels that report a turn for the normal policy also take the request.
        if (before > 0) {
            EXPECT_EQ(turnNanoseconds(), 100'000u);
        }
    }).join();
}
