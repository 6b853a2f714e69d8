#include "veltranelib/main_message_loop_std.h"

#include "task_queue.h"

namespace client {

MainMessageLoopStd::MainMessageLoopStd() : queue_(std::make_unique<TaskQueue>()) {}

MainMessageLoopStd::~MainMessageLoopStd() = default;

int MainMessageLoopStd::Run() {
    queue_->run();
    return 0;
}

void MainMessageLoopStd::Quit() { queue_->quit(); }

void MainMessageLoopStd::PostClosure(const base::Closure& task) { queue_->post(task); }

bool MainMessageLoopStd::RunsTasksOnCurrentThread() const { return queue_->runsOnCurrentThread(); }

}  // namespace client
