#include "veltranelib/main_message_loop_multithreaded_win.h"

#include "task_queue.h"

namespace client {

MainMessageLoopMultithreadedWin::MainMessageLoopMultithreadedWin()
    : queue_(std::make_unique<TaskQueue>()), uiThread_([queue = queue_.get()] { queue->run(); }) {}

MainMessageLoopMultithreadedWin::~MainMessageLoopMultithreadedWin() {
    queue_->quit();
    if (uiThread_.joinable()) uiThread_.join();
}

int MainMessageLoopMultithreadedWin::Run() {
    if (uiThread_.joinable()) uiThread_.join();
    return 0;
}

void MainMessageLoopMultithreadedWin::Quit() { queue_->quit(); }

void MainMessageLoopMultithreadedWin::PostClosure(const base::Closure& task) { queue_->post(task); }

bool MainMessageLoopMultithreadedWin::RunsTasksOnCurrentThread() const { return queue_->runsOnCurrentThread(); }

}  // namespace client
