#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
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

private:
    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<base::Closure> tasks_;
    bool quitting_ = false;
    std::atomic<std::thread::id> runner_{};
};

}  // namespace client
