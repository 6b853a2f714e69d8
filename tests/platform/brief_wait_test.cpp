// The look before sleeping: it ends as soon as the work is there, and it gives way once waits grow long.
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "platform/brief_wait.h"

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
    }
    EXPECT_TRUE(looked);
}
