#pragma once

#include "cef/bind.h"

namespace client {

// The UI thread's task queue. Any thread may post; the tasks run one at a time, in posting order,
// on the UI thread while Run is running.
class MainMessageLoop {
public:
    // The loop made last and not yet destroyed; null when there is none.
    static MainMessageLoop* Get();

    MainMessageLoop(const MainMessageLoop&) = delete;
    MainMessageLoop& operator=(const MainMessageLoop&) = delete;
    virtual ~MainMessageLoop();

    // Runs tasks until Quit; returns the exit code (0).
    virtual int Run() = 0;
    // Ends Run once the task under way has finished; callable from any thread and before Run.
    virtual void Quit() = 0;
    // Queues the task; a null task is ignored. Tasks posted after Quit are dropped.
    virtual void PostClosure(const base::Closure& task) = 0;
    // True on the thread that runs the tasks.
    virtual bool RunsTasksOnCurrentThread() const = 0;

protected:
    MainMessageLoop();
};

}  // namespace client
