#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "cef/bind.h"
#include "cef/ref_counted.h"
#include "veltranelib/main_message_loop_multithreaded_win.h"
#include "veltranelib/main_message_loop_std.h"

namespace {

class Counted : public CefRefCountedImpl<CefBaseRefCounted> {
public:
    explicit Counted(std::atomic<int>& destroyed) : destroyed_(destroyed) {}
    ~Counted() override { ++destroyed_; }
    void add(int amount) { total += amount; }

    int total = 0;

private:
    std::atomic<int>& destroyed_;
};

TEST(MainMessageLoop, TasksFromManyThreadsRunOnTheUIThreadInPostingOrder) {
    client::MainMessageLoopStd loop;
    ASSERT_EQ(client::MainMessageLoop::Get(), &loop);
    constexpr int kThreads = 8;
    constexpr int kTasks = 500;
    std::vector<std::vector<int>> seen(kThreads);  // only the UI thread writes
    std::atomic<int> offThread{0};
    const auto uiThread = std::this_thread::get_id();

    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t)
        posters.emplace_back([&, t] {
            for (int i = 0; i < kTasks; ++i)
                client::MainMessageLoop::Get()->PostClosure(base::Bind([&, t, i] {
                    if (std::this_thread::get_id() != uiThread || !loop.RunsTasksOnCurrentThread()) ++offThread;
                    seen[t].push_back(i);
                }));
        });
    std::thread quitter([&] {
        for (auto& poster : posters) poster.join();
        loop.PostClosure(base::Bind(&client::MainMessageLoop::Quit, &loop));
    });
    EXPECT_EQ(loop.Run(), 0);
    quitter.join();

    EXPECT_EQ(offThread, 0);
    for (const auto& values : seen) {
        ASSERT_EQ(values.size(), static_cast<std::size_t>(kTasks));
        for (int i = 0; i < kTasks; ++i) EXPECT_EQ(values[i], i);
    }
    EXPECT_FALSE(loop.RunsTasksOnCurrentThread());
}

TEST(MainMessageLoop, QuitFromAnotherThreadEndsRun) {
    client::MainMessageLoopStd loop;
    std::atomic<bool> ran{false};
    loop.PostClosure(base::Bind([&] { ran = true; }));
    std::thread quitter([&] {
        while (!ran) std::this_thread::yield();
        loop.Quit();
    });
    EXPECT_EQ(loop.Run(), 0);
    quitter.join();
}

TEST(MainMessageLoop, QuitBeforeRunReturnsAtOnceAndLaterTasksAreDropped) {
    std::atomic<int> destroyed{0};
    scoped_refptr<Counted> object(new Counted(destroyed));
    {
        client::MainMessageLoopStd loop;
        loop.Quit();
        loop.PostClosure(base::Bind(&Counted::add, object, 1));
        EXPECT_EQ(loop.Run(), 0);
    }
    EXPECT_EQ(object->total, 0);
    EXPECT_TRUE(object->HasOneRef());
    object = nullptr;
    EXPECT_EQ(destroyed, 1);
}

TEST(MainMessageLoop, TasksQueuedBehindAQuittingTaskAreDroppedNotRun) {
    std::atomic<int> destroyed{0};
    scoped_refptr<Counted> object(new Counted(destroyed));
    {
        client::MainMessageLoopStd loop;
        // All three are queued before Run, so the loop takes them together.
        loop.PostClosure(base::Bind(&Counted::add, object, 1));
        loop.PostClosure(base::Bind(&client::MainMessageLoop::Quit, &loop));
        loop.PostClosure(base::Bind(&Counted::add, object, 10));
        EXPECT_EQ(loop.Run(), 0);
        EXPECT_EQ(object->total, 1);
        EXPECT_TRUE(object->HasOneRef());
    }
    EXPECT_EQ(object->total, 1);
}

TEST(MainMessageLoop, SleepingLoopWakesForEachLatePost) {
    client::MainMessageLoopMultithreadedWin loop;
    for (int round = 0; round < 200; ++round) {
        std::promise<int> ran;
        loop.PostClosure(base::Bind([&ran, round] { ran.set_value(round); }));
        ASSERT_EQ(ran.get_future().get(), round);
        if (round % 50 == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));  // let the loop fall asleep
    }
}

TEST(MainMessageLoop, GetFollowsTheLoopsLifetime) {
    {
        client::MainMessageLoopStd loop;
        EXPECT_EQ(client::MainMessageLoop::Get(), &loop);
    }
    EXPECT_EQ(client::MainMessageLoop::Get(), nullptr);
}

TEST(MainMessageLoop, MultithreadedLoopRunsTasksOnItsOwnThreadUntilQuit) {
    client::MainMessageLoopMultithreadedWin loop;
    std::promise<std::thread::id> taskThread;
    loop.PostClosure(base::Bind([&] { taskThread.set_value(std::this_thread::get_id()); }));
    const auto uiThread = taskThread.get_future().get();
    EXPECT_NE(uiThread, std::this_thread::get_id());
    EXPECT_FALSE(loop.RunsTasksOnCurrentThread());

    std::atomic<bool> quitRan{false};
    loop.PostClosure(base::Bind([&] {
        quitRan = true;
        client::MainMessageLoop::Get()->Quit();
    }));
    EXPECT_EQ(loop.Run(), 0);
    EXPECT_TRUE(quitRan);
}

TEST(BoundClosure, HoldsACountedReferenceAndCopiesArguments) {
    std::atomic<int> destroyed{0};
    base::Closure closure;
    Counted* raw = nullptr;
    {
        scoped_refptr<Counted> object(new Counted(destroyed));
        raw = object.get();
        int amount = 5;
        closure = base::Bind(&Counted::add, object, amount);
        amount = 100;
        EXPECT_FALSE(object->HasOneRef());
    }
    EXPECT_EQ(destroyed, 0);
    closure.Run();
    closure.Run();
    EXPECT_EQ(raw->total, 10);
    closure = base::Closure();
    EXPECT_EQ(destroyed, 1);
}

TEST(RefPtr, CountsFollowCopiesMovesAndResets) {
    std::atomic<int> destroyed{0};
    scoped_refptr<Counted> first(new Counted(destroyed));
    EXPECT_TRUE(first->HasOneRef());
    scoped_refptr<Counted> second = first;
    EXPECT_FALSE(first->HasOneRef());
    scoped_refptr<Counted> third = std::move(second);
    EXPECT_FALSE(second);
    EXPECT_EQ(first, third);
    third.reset();
    EXPECT_TRUE(first->HasOneRef());
    CefRefPtr<CefBaseRefCounted> base = first;
    first = nullptr;
    EXPECT_EQ(destroyed, 0);
    base = nullptr;
    EXPECT_EQ(destroyed, 1);
}

}  // namespace
