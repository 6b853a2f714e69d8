#pragma once

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "cef/bind.h"
#include "platform/brief_wait.h"
#include "platform/doorbell.h"

namespace client {

// Tasks run one at a time, in posting order, by the thread inside run.
class TaskQueue {
public:
    TaskQueue() = default;
    TaskQueue(const TaskQueue&) = delete;
    TaskQueue& operator=(const TaskQueue&) = delete;

    void post(base::Closure task);
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
    // Waits until there is a task or a quit; the runner's batch is empty on return.
    void takeTasks(std::deque<base::Closure>& batch);

    std::mutex mutex_;
    std::deque<base::Closure> tasks_;
    // Set while another kind of loop drives the tasks (drive); it replaces the doorbell.
    std::function<void()> wakeUp_;
    // Rung by posts and quit; a post to a runner that does not sleep costs no system call.
    platform::Doorbell taskCame_;
    // A host that waits for an answer sends its next command within microseconds: the runner looks for it
    // before it sleeps.
    platform::BriefWait briefWait_;
    // Set by posts, cleared when the runner takes the queue; alone on its cache line, as the runner reads it
    // while it waits.
    alignas(64) std::atomic<bool> queued_{false};
    alignas(64) std::atomic<bool> quitting_{false};
    std::atomic<std::thread::id> runner_{};
};

}  // namespace client
