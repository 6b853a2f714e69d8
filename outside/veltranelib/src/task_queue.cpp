#include "task_queue.h"

#include <iterator>
#include <utility>

#include "platform/short_turns.h"

namespace client {

void TaskQueue::post(base::Closure task) {
    if (task.is_null()) return;
    bool ring = false;
    {
        std::lock_guard lock(mutex_);
        if (quitting_) return;
        tasks_.push_back(std::move(task));
        if (!queued_.load(std::memory_order_relaxed)) queued_.store(true, std::memory_order_relaxed);
        // A loop of another kind is woken its own way.
        if (wakeUp_)
            wakeUp_();
        else
            ring = true;
    }
    if (ring) taskCame_.ring();
}

void TaskQueue::takeTasks(std::deque<base::Closure>& batch) {
    briefWait_.lookFor([this] {
        return queued_.load(std::memory_order_relaxed) || quitting_.load(std::memory_order_relaxed);
    });
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (quitting_ || !tasks_.empty()) {
                batch.swap(tasks_);
                queued_.store(false, std::memory_order_relaxed);
                briefWait_.found();
                return;
            }
        }
        taskCame_.wait();
    }
}

void TaskQueue::run() {
    runner_ = std::this_thread::get_id();
    platform::requestShortTurns();
    // Taken from the queue in one piece; a quit stops the batch after the task under way.
    std::deque<base::Closure> batch;
    while (!quitting_) {
        takeTasks(batch);
        while (!batch.empty() && !quitting_) {
            base::Closure task = std::move(batch.front());
            batch.pop_front();
            task.Run();
        }
    }
    {
        std::lock_guard lock(mutex_);
        batch.insert(batch.end(), std::make_move_iterator(tasks_.begin()),
                     std::make_move_iterator(tasks_.end()));
        tasks_.clear();
    }
    // The dropped tasks release what they hold here, outside the lock.
    batch.clear();
    runner_ = std::thread::id();
}

void TaskQueue::quit() {
    {
        std::lock_guard lock(mutex_);
        quitting_ = true;
        if (wakeUp_) wakeUp_();
    }
    taskCame_.ring();
}

bool TaskQueue::runsOnCurrentThread() const { return runner_.load() == std::this_thread::get_id(); }

}  // namespace client
