// The task queue run by an event loop of another kind, as the web engine's loop runs it.
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "task_queue.h"

namespace {

// A minimal event loop: sleeps until woken, then lets the queue run what is pending.
class WakeableLoop {
public:
    explicit WakeableLoop(client::TaskQueue& queue) : queue_(queue) {}

    void wake() {
        std::lock_guard lock(mutex_);
        ++wakeUps_;
        woken_.notify_one();
    }

    int exec() {
        for (;;) {
            {
                std::unique_lock lock(mutex_);
                woken_.wait(lock, [this] { return wakeUps_ > handled_; });
                handled_ = wakeUps_;
            }
            queue_.runPending();
            if (queue_.quitting()) return 7;
        }
    }

private:
    client::TaskQueue& queue_;
    std::mutex mutex_;
    std::condition_variable woken_;
    int wakeUps_ = 0;
    int handled_ = 0;
};

base::Closure task(std::function<void()> body) { return base::Closure(std::move(body)); }

TEST(TaskQueueDrive, TasksFromBeforeAndDuringTheLoopRunInOrderOnTheLoopThread) {
    client::TaskQueue queue;
    WakeableLoop loop(queue);
    std::vector<int> order;  // only the loop thread writes
    std::atomic<int> offThread{0};
    const auto loopThread = std::this_thread::get_id();
    const auto record = [&](int value) {
        return task([&, value] {
            if (std::this_thread::get_id() != loopThread || !queue.runsOnCurrentThread()) ++offThread;
            order.push_back(value);
        });
    };
    queue.post(record(0));
    std::thread poster([&] {
        for (int i = 1; i <= 300; ++i) queue.post(record(i));
        queue.post(task([&] { queue.quit(); }));
    });

    EXPECT_EQ(queue.drive([&] { loop.wake(); }, [&] { return loop.exec(); }), 7);
    poster.join();
    EXPECT_EQ(offThread, 0);
    ASSERT_EQ(order.size(), 301u);
    for (int i = 0; i <= 300; ++i) EXPECT_EQ(order[i], i);
    EXPECT_FALSE(queue.runsOnCurrentThread());
}

TEST(TaskQueueDrive, QuitStopsTheBatchAndDropsWhatIsLeft) {
    client::TaskQueue queue;
    WakeableLoop loop(queue);
    auto held = std::make_shared<int>(0);
    int ran = 0;
    queue.post(task([&] { ++ran; }));
    queue.post(task([&] { queue.quit(); }));
    queue.post(task([&ran, held] { ++ran; }));
    EXPECT_EQ(queue.drive([&] { loop.wake(); }, [&] { return loop.exec(); }), 7);
    EXPECT_EQ(ran, 1);
    // The task after quit was dropped and released what it held.
    EXPECT_EQ(held.use_count(), 1);
    queue.post(task([&] { ++ran; }));
    EXPECT_EQ(ran, 1);
}

TEST(TaskQueueDrive, QuitBeforeTheLoopStartsEndsItAtOnce) {
    client::TaskQueue queue;
    WakeableLoop loop(queue);
    int ran = 0;
    queue.post(task([&] { ++ran; }));
    queue.quit();
    EXPECT_EQ(queue.drive([&] { loop.wake(); }, [&] { return loop.exec(); }), 7);
    EXPECT_EQ(ran, 0);
}

}  // namespace
