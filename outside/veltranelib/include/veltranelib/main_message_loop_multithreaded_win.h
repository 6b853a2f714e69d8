#pragma once

#include <memory>
#include <thread>

#include "veltranelib/main_message_loop.h"

namespace client {

class TaskQueue;

// Runs the tasks on a UI thread of its own, started with the loop; Run blocks the caller until
// Quit and then returns.
class MainMessageLoopMultithreadedWin : public MainMessageLoop {
public:
    MainMessageLoopMultithreadedWin();
    ~MainMessageLoopMultithreadedWin() override;

    int Run() override;
    void Quit() override;
    void PostClosure(const base::Closure& task) override;
    bool RunsTasksOnCurrentThread() const override;

private:
    std::unique_ptr<TaskQueue> queue_;
    std::thread uiThread_;
};

}  // namespace client
