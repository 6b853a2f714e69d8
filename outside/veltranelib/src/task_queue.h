#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "cef/bind.h"

namespace client {

// Tasks run one at a time, in posting order, by the thread inside run.
class TaskQueue {
public:
    void post(const base::Closure& task);
    // Runs tasks until quit; tasks still queued then are dropped.
    void run();
    void quit();
    bool runsOnCurrentThread() const;

    // For an event loop of another kind that runs the tasks (task_queue_drive.cpp): wakeUp is called, from the
    // posting thread, after each accepted post and after quit; exec runs that loop on the calling thread, which
    // becomes the tasks' thread, calls runPending when woken and returns once quitting() is true.
    int drive(std::function<void()> wakeUp, const std::function<int()>& exec);
    void runPending();
    bool quitting() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<base::Closure> tasks_;
    bool quitting_ = false;
    std::function<void()> wakeUp_;
    std::atomic<std::thread::id> runner_{};
};

}  // namespace client
