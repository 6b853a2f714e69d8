#pragma once

#include <memory>

#include "veltranelib/main_message_loop.h"

namespace client {

class TaskQueue;

// Runs the tasks on the thread that calls Run.
class MainMessageLoopStd : public MainMessageLoop {
public:
    MainMessageLoopStd();
    ~MainMessageLoopStd() override;

    int Run() override;
    void Quit() override;
    void PostClosure(const base::Closure& task) override;
    bool RunsTasksOnCurrentThread() const override;

private:
    std::unique_ptr<TaskQueue> queue_;
};

}  // namespace client
