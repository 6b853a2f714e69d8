#include "DeliveryThread.h"

#include <cstdint>

namespace connector::message_service {

struct DeliveryThread::Queue {
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable idle;
    std::deque<std::function<void()>> tasks;
    bool stopping = false;
    // Set while a task runs and until it is destroyed: its closures may belong to a plug-in.
    bool busy = false;
    std::uint64_t finished = 0;

    void run() {
        std::unique_lock lock(mutex);
        for (;;) {
            wake.wait(lock, [this] { return stopping || !tasks.empty(); });
            if (stopping) return;
            auto task = std::move(tasks.front());
            tasks.pop_front();
            busy = true;
            lock.unlock();
            task();
            task = nullptr;
            lock.lock();
            busy = false;
            ++finished;
            idle.notify_all();
        }
    }
};

DeliveryThread::DeliveryThread() : queue_(std::make_shared<Queue>()) {
    thread_ = std::thread([queue = queue_] { queue->run(); });
}

DeliveryThread::~DeliveryThread() {
    {
        std::lock_guard lock(queue_->mutex);
        queue_->stopping = true;
    }
    queue_->wake.notify_one();
    // The queue outlives this object through the thread's own reference.
    if (isCurrent()) {
        thread_.detach();
    } else {
        thread_.join();
    }
}

void DeliveryThread::post(std::function<void()> task) {
    {
        std::lock_guard lock(queue_->mutex);
        queue_->tasks.push_back(std::move(task));
    }
    queue_->wake.notify_one();
}

bool DeliveryThread::isCurrent() const { return std::this_thread::get_id() == thread_.get_id(); }

void DeliveryThread::waitForRunningTask() const {
    if (isCurrent()) return;
    std::unique_lock lock(queue_->mutex);
    // Counted, not waited for idle: under a flood the thread is never idle.
    const std::uint64_t awaited = queue_->finished + (queue_->busy ? 1 : 0);
    queue_->idle.wait(lock, [this, awaited] { return queue_->finished >= awaited; });
}

}  // namespace connector::message_service
