#include <atomic>
#include <future>
#include <latch>
#include <set>
#include <thread>

#include <boost/asio/post.hpp>
#include <gtest/gtest.h>

#include "foundation/io/io_service_threadpool.h"

namespace {

using foundation::io::IOServiceThreadpool;

TEST(IOServiceThreadpool, RunsAsManyHandlersAtOnceAsItHasThreads) {
    auto pool = IOServiceThreadpool::createThreadpool(4);
    EXPECT_EQ(pool->threadCount(), 4u);
    std::latch allRunning(4);
    std::mutex mutex;
    std::set<std::thread::id> threads;
    std::vector<std::future<void>> done;
    for (int i = 0; i < 4; ++i) {
        auto task = std::make_shared<std::packaged_task<void()>>([&] {
            {
                std::lock_guard lock(mutex);
                threads.insert(std::this_thread::get_id());
            }
            allRunning.arrive_and_wait();  // returns only when four handlers run together
        });
        done.push_back(task->get_future());
        boost::asio::post(pool->ioContext(), [task] { (*task)(); });
    }
    for (auto& finished : done) ASSERT_EQ(finished.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(threads.size(), 4u);
    pool->stop();
}

TEST(IOServiceThreadpool, StopEndsTheThreadsAndLaterStopsDoNothing) {
    auto pool = IOServiceThreadpool::createThreadpool(2);
    pool->stop();
    std::atomic<bool> ran{false};
    boost::asio::post(pool->ioContext(), [&] { ran = true; });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(ran) << "no thread is left to run handlers";
    pool->stop();
}

TEST(IOServiceThreadpool, HandlersQueuedBeforeTheStopHaveRunWhenItReturns) {
    auto pool = IOServiceThreadpool::createThreadpool(1);
    std::promise<void> release;
    std::promise<void> running;
    boost::asio::post(pool->ioContext(), [&] {
        running.set_value();
        release.get_future().wait();
    });
    std::atomic<bool> queuedRan{false};
    boost::asio::post(pool->ioContext(), [&] { queuedRan = true; });
    running.get_future().wait();
    // The only thread is busy, so the second handler is still queued when the stop begins.
    std::thread stopper([&] { pool->stop(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    release.set_value();
    stopper.join();
    EXPECT_TRUE(queuedRan);
}

TEST(IOServiceThreadpool, StopFromOneOfItsOwnThreadsDoesNotDeadlock) {
    auto pool = IOServiceThreadpool::createThreadpool(2);
    std::promise<void> stopped;
    boost::asio::post(pool->ioContext(), [&] {
        pool->stop();
        stopped.set_value();
    });
    EXPECT_EQ(stopped.get_future().wait_for(std::chrono::seconds(5)), std::future_status::ready);
}

}  // namespace
