#include "task_queue.h"

namespace client {

int TaskQueue::drive(std::function<void()> wakeUp, const std::function<int()>& exec) {
    {
        std::lock_guard lock(mutex_);
        wakeUp_ = std::move(wakeUp);
        // Tasks posted before the loop started wait for this first call.
        wakeUp_();
    }
    runner_ = std::this_thread::get_id();
    const int exitCode = exec();
    std::deque<base::Closure> dropped;
    {
        std::lock_guard lock(mutex_);
        wakeUp_ = nullptr;
        dropped.swap(tasks_);
    }
    runner_ = std::thread::id();
    return exitCode;
}

void TaskQueue::runPending() {
    std::deque<base::Closure> batch;
    {
        std::lock_guard lock(mutex_);
        if (quitting_) return;
        batch.swap(tasks_);
    }
    while (!batch.empty()) {
        base::Closure task = std::move(batch.front());
        batch.pop_front();
        task.Run();
        if (quitting()) return;
    }
}

bool TaskQueue::quitting() const { return quitting_.load(); }

}  // namespace client
