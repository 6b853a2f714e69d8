#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace connector::message_service {

// Runs posted tasks one at a time, in order, on a thread of its own.
class DeliveryThread {
public:
    DeliveryThread();
    // Safe on the delivery thread itself (the last owner may be released by a task).
    ~DeliveryThread();
    DeliveryThread(const DeliveryThread&) = delete;
    DeliveryThread& operator=(const DeliveryThread&) = delete;

    void post(std::function<void()> task);
    bool isCurrent() const;
    // Returns once the task running now (if any) has finished and been destroyed.
    void waitForRunningTask() const;

private:
    struct Queue;
    std::shared_ptr<Queue> queue_;
    std::thread thread_;
};

}  // namespace connector::message_service
