#pragma once

#include <memory>

#include "cef/bind.h"

namespace client {

class TaskQueue;

// The UI thread's task queue. Any thread may post; the tasks run one at a time, in posting order,
// on the UI thread while the loop runs.
class MainMessageLoop {
public:
    // The loop made last and not yet destroyed; null when there is none.
    static MainMessageLoop* Get();

    MainMessageLoop(const MainMessageLoop&) = delete;
    MainMessageLoop& operator=(const MainMessageLoop&) = delete;
    virtual ~MainMessageLoop();

    // Blocks until Quit; returns the exit code (0).
    virtual int Run() = 0;
    // Ends the loop once the task under way has finished; callable from any thread and before Run.
    virtual void Quit();
    // Queues the task; a null task is ignored. Tasks posted after Quit are dropped.
    virtual void PostClosure(base::Closure task);
    // True on the thread that runs the tasks.
    virtual bool RunsTasksOnCurrentThread() const;

protected:
    MainMessageLoop();
    TaskQueue& queue() const { return *queue_; }

private:
    const std::unique_ptr<TaskQueue> queue_;
};

}  // namespace client
