#include "veltranelib/main_message_loop.h"

#include <atomic>
#include <utility>

#include "task_queue.h"

namespace client {
namespace {
std::atomic<MainMessageLoop*> current{nullptr};
}

MainMessageLoop* MainMessageLoop::Get() { return current.load(); }

MainMessageLoop::MainMessageLoop() : queue_(std::make_unique<TaskQueue>()) { current = this; }

MainMessageLoop::~MainMessageLoop() {
    MainMessageLoop* self = this;
    current.compare_exchange_strong(self, nullptr);
}

void MainMessageLoop::Quit() { queue_->quit(); }

void MainMessageLoop::PostClosure(base::Closure task) { queue_->post(std::move(task)); }

bool MainMessageLoop::RunsTasksOnCurrentThread() const { return queue_->runsOnCurrentThread(); }

}  // namespace client
