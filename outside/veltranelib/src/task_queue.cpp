#include "task_queue.h"

namespace client {

void TaskQueue::post(const base::Closure& task) {
    if (task.is_null()) return;
    std::lock_guard lock(mutex_);
    if (quitting_) return;
    tasks_.push_back(task);
    posted_.notify_one();
    if (wakeUp_) wakeUp_();
}

void TaskQueue::run() {
    runner_ = std::this_thread::get_id();
    for (;;) {
        base::Closure task;
        {
            std::unique_lock lock(mutex_);
            posted_.wait(lock, [this] { return quitting_ || !tasks_.empty(); });
            if (quitting_) break;
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        task.Run();
    }
    std::deque<base::Closure> dropped;
    {
        std::lock_guard lock(mutex_);
        dropped.swap(tasks_);
    }
    // The dropped tasks release what they hold here, outside the lock.
    runner_ = std::thread::id();
}

void TaskQueue::quit() {
    std::lock_guard lock(mutex_);
    quitting_ = true;
    posted_.notify_all();
    if (wakeUp_) wakeUp_();
}

bool TaskQueue::runsOnCurrentThread() const { return runner_.load() == std::this_thread::get_id(); }

}  // namespace client
