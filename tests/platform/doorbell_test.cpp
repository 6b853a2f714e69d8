// The doorbell between one waiting thread and the threads that give it work: no ring is lost, however the ring
// and the wait fall.
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/doorbell.h"

namespace {

using namespace std::chrono_literals;

// Work handed over under a lock, the way the queues hand it: the waiter checks, and waits only when it found none.
struct Handover {
    std::mutex mutex;
    int given = 0;
    platform::Doorbell bell;

    void give() {
        {
            std::lock_guard lock(mutex);
            ++given;
        }
        bell.ring();
    }

    // Waits until `count` pieces of work were given in all.
    void awaitGiven(int count) {
        for (;;) {
            {
                std::lock_guard lock(mutex);
                if (given >= count) return;
            }
            bell.wait();
        }
    }
};

}  // namespace

TEST(Doorbell, ARingBeforeTheWaitEndsItAtOnceAndIsUsedUp) {
    platform::Doorbell bell;
    bell.ring();
    bell.ring();
    auto waited = std::async(std::launch::async, [&] { bell.wait(); });
    ASSERT_EQ(waited.wait_for(5s), std::future_status::ready);

    // Both rings went to that one wait: the next one sleeps until another ring.
    auto next = std::async(std::launch::async, [&] { bell.wait(); });
    EXPECT_EQ(next.wait_for(50ms), std::future_status::timeout);
    bell.ring();
    EXPECT_EQ(next.wait_for(5s), std::future_status::ready);
}

TEST(Doorbell, ASignalDoesNotEndTheWait) {
    // A handler without restart, so that the signal interrupts the sleep itself.
    struct sigaction action {};
    struct sigaction before {};
    action.sa_handler = [](int) {};
    sigemptyset(&action.sa_mask);
    ASSERT_EQ(::sigaction(SIGUSR1, &action, &before), 0);

    platform::Doorbell bell;
    std::atomic<pthread_t> sleeper{};
    std::atomic<bool> woke{false};
    std::thread waiter([&] {
        sleeper = ::pthread_self();
        bell.wait();
        woke = true;
    });
    while (sleeper.load() == pthread_t{}) std::this_thread::yield();
    for (int i = 0; i < 5; ++i) {
        std::this_thread::sleep_for(10ms);
        ::pthread_kill(sleeper.load(), SIGUSR1);
    }
    std::this_thread::sleep_for(20ms);
    EXPECT_FALSE(woke) << "a signal ended the wait";
    bell.ring();
    waiter.join();
    EXPECT_TRUE(woke);
    ::sigaction(SIGUSR1, &before, nullptr);
}

TEST(Doorbell, NoWorkIsMissedWhenManyThreadsRingAWaiterThatComesAndGoes) {
    constexpr int kGivers = 4;
    constexpr int kEach = 50000;
    Handover handover;
    // Gives the waiter every rhythm: sleeping, just about to sleep, just woken, busy.
    auto waiter = std::async(std::launch::async, [&] {
        for (int count = 1; count <= kGivers * kEach; count += 97) handover.awaitGiven(count);
        handover.awaitGiven(kGivers * kEach);
    });
    std::vector<std::thread> givers;
    for (int g = 0; g < kGivers; ++g)
        givers.emplace_back([&] {
            for (int i = 0; i < kEach; ++i) {
                handover.give();
                if (i % 512 == 0) std::this_thread::sleep_for(50us);
            }
        });
    for (auto& giver : givers) giver.join();
    if (waiter.wait_for(10s) != std::future_status::ready) {
        ADD_FAILURE() << "the waiter slept through work given to it";
        handover.bell.ring();  // lets it end
    }
}
