// The look before sleeping: it ends as soon as the work is there, and it gives way once waits grow long.
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/brief_wait.h"
#include "platform/testing.h"

namespace {

// A readiness test that counts how often it was asked.
struct CountingReady {
    bool ready = false;
    mutable int asked = 0;
    bool operator()() const {
        ++asked;
        return ready;
    }
};

}  // namespace

TEST(BriefWait, WorkAlreadyThereEndsTheLookAtOnce) {
    platform::BriefWait wait;
    CountingReady ready{true};
    EXPECT_TRUE(wait.lookFor(ready));
    EXPECT_EQ(ready.asked, 1);
}

TEST(BriefWait, ALookGivesUpAndAfterALongWaitTheNextWaitDoesNotLook) {
    const platform::testing::IdleCoresOverride idle(true);
    platform::BriefWait wait;
    CountingReady never;
    EXPECT_FALSE(wait.lookFor(never));  // gives up on its own
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    wait.found();

    CountingReady later;
    EXPECT_FALSE(wait.lookFor(later));
    EXPECT_EQ(later.asked, 1);  // asked once, no look
}

// Interrupts and a virtual machine's host stop a thread for tens of microseconds many times a second; taking
// such a pause for a lost core would stop the looks for good.
TEST(BriefWait, APauseOfTensOfMicrosecondsDoesNotStopTheLooks) {
    using Clock = std::chrono::steady_clock;
    const platform::testing::IdleCoresOverride idle(true);
    bool looked = false;
    // The thread may really lose its core during an attempt; a pause taken for one fails every attempt.
    for (int attempt = 0; attempt < 5 && !looked; ++attempt) {
        platform::BriefWait wait;
        bool paused = false;
        EXPECT_FALSE(wait.lookFor([&] {
            if (!paused) {
                paused = true;
                const auto until = Clock::now() + std::chrono::microseconds(40);
                while (Clock::now() < until) {
                }
            }
            return false;
        }));
        wait.found();

        CountingReady next;
        EXPECT_FALSE(wait.lookFor(next));
        looked = next.asked > 1;
        if (!looked) std::this_thread::sleep_for(std::chrono::milliseconds(30));  // a lost core stops looks a while
    }
    EXPECT_TRUE(looked);
}

// A look takes a core: while every core is busy it would take one from other work, and use up the thread's share.
TEST(BriefWait, NoLookWhileEveryCoreIsBusy) {
    std::atomic<bool> stop{false};
    std::vector<std::thread> spinners;
    for (unsigned i = 0; i < std::max(1u, std::thread::hardware_concurrency()); ++i)
        spinners.emplace_back([&] {
            while (!stop.load(std::memory_order_relaxed)) {
            }
        });
    platform::BriefWait wait;
    bool looked = true;
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (looked && std::chrono::steady_clock::now() < giveUp) {
        CountingReady never;
        wait.lookFor(never);
        wait.found();
        looked = never.asked > 1;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    stop = true;
    for (auto& spinner : spinners) spinner.join();
    EXPECT_FALSE(looked);
}

TEST(BriefWait, NoLookWhereNoCoreIsIdle) {
    const platform::testing::IdleCoresOverride noIdleCore(false);
    platform::BriefWait wait;
    CountingReady never;
    EXPECT_FALSE(wait.lookFor(never));
    EXPECT_EQ(never.asked, 1);
}
