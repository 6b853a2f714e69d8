#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "ClipboardSignal.h"

namespace {

using pf::event::PFEventKindClipboardChanged;
using pf::event::PFSignalConnection;
using pf::event::detail::ClipboardSignal;
using namespace std::chrono_literals;

// Sets the flag when the last copy of the result is released.
std::shared_ptr<void> lifetimeOf(std::atomic<bool>& destroyed) {
    return std::shared_ptr<void>(nullptr, [&destroyed](void*) { destroyed = true; });
}

void waitFor(const std::atomic<bool>& flag) {
    while (!flag) std::this_thread::yield();
}

TEST(ClipboardSignal, DisconnectDestroysTheCallbackAtOnceAndEndsItsCalls) {
    ClipboardSignal signal;
    std::atomic<bool> destroyed{false};
    int calls = 0;
    auto connection = signal.connect(PFEventKindClipboardChanged, [&calls, life = lifetimeOf(destroyed)] { ++calls; });
    signal.raise();
    EXPECT_EQ(calls, 1);

    connection->disconnect();
    EXPECT_TRUE(destroyed);
    EXPECT_FALSE(connection->connected());
    signal.raise();
    EXPECT_EQ(calls, 1);

    std::atomic<bool> droppedDestroyed{false};
    signal.connect(PFEventKindClipboardChanged, [life = lifetimeOf(droppedDestroyed)] {});
    EXPECT_TRUE(droppedDestroyed) << "a connection released without a disconnect ends it too";
}

TEST(ClipboardSignal, ConnectionsOutliveTheSignal) {
    std::atomic<bool> destroyed{false};
    auto signal = std::make_unique<ClipboardSignal>();
    auto connection = signal->connect(PFEventKindClipboardChanged, [life = lifetimeOf(destroyed)] {});
    signal.reset();
    connection->disconnect();
    EXPECT_TRUE(destroyed);
}

TEST(ClipboardSignal, DisconnectFromInsideTheCallbackReleasesItWhenTheCallEnds) {
    ClipboardSignal signal;
    std::atomic<bool> destroyed{false};
    std::unique_ptr<PFSignalConnection> connection;
    bool aliveAfterDisconnect = false;
    int laterCalls = 0;
    auto other = signal.connect(PFEventKindClipboardChanged, [&] { ++laterCalls; });
    connection = signal.connect(PFEventKindClipboardChanged, [&, life = lifetimeOf(destroyed)] {
        connection->disconnect();
        aliveAfterDisconnect = !destroyed;
    });
    signal.raise();
    EXPECT_TRUE(aliveAfterDisconnect);
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(laterCalls, 1) << "the raise goes on to the other callbacks";
    signal.raise();
    EXPECT_EQ(laterCalls, 2);
}

TEST(ClipboardSignal, DisconnectFromAnotherThreadReturnsOnlyOnceTheRunningCallIsOverAndGone) {
    ClipboardSignal signal;
    std::atomic<bool> entered{false}, mayFinish{false}, finished{false}, destroyed{false};
    auto connection = signal.connect(PFEventKindClipboardChanged, [&, life = lifetimeOf(destroyed)] {
        entered = true;
        waitFor(mayFinish);
        finished = true;
    });
    std::thread raising([&] { signal.raise(); });
    waitFor(entered);

    std::atomic<bool> disconnecting{false};
    bool finishedAtReturn = false, destroyedAtReturn = false;
    std::thread disconnector([&] {
        disconnecting = true;
        connection->disconnect();
        finishedAtReturn = finished;
        destroyedAtReturn = destroyed;
    });
    waitFor(disconnecting);
    // Gives the disconnect time to reach its wait; the outcome does not depend on it.
    std::this_thread::sleep_for(20ms);
    mayFinish = true;
    disconnector.join();
    raising.join();
    EXPECT_TRUE(finishedAtReturn);
    EXPECT_TRUE(destroyedAtReturn);
}

// Two threads raise without pause while callbacks come and go: once a disconnect returns, its callback
// is neither called nor held any more.
TEST(ClipboardSignal, ConcurrentRaisesNeverCallOrHoldADisconnectedCallback) {
    ClipboardSignal signal;
    std::atomic<bool> stop{false};
    auto raiseUntilStopped = [&] {
        while (!stop) signal.raise();
    };
    std::thread first(raiseUntilStopped), second(raiseUntilStopped);
    auto steady = signal.connect(PFEventKindClipboardChanged, [] {});

    for (int round = 0; round < 500; ++round) {
        struct Probe {
            std::atomic<bool> disconnected{false};
            std::atomic<int> callsAfterDisconnect{0};
        };
        auto probe = std::make_shared<Probe>();
        auto connection = signal.connect(PFEventKindClipboardChanged, [probe] {
            if (probe->disconnected) ++probe->callsAfterDisconnect;
        });
        connection->disconnect();
        probe->disconnected = true;
        ASSERT_EQ(probe.use_count(), 1) << "round " << round;
        signal.raise();
        ASSERT_EQ(probe->callsAfterDisconnect, 0) << "round " << round;
    }
    stop = true;
    first.join();
    second.join();
}

}  // namespace
