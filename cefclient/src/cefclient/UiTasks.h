#pragma once

#include <mutex>
#include <utility>

#include "cef/bind.h"
#include "veltranelib/native_window.h"

namespace client {

// The one way the host's threads hand work to the UI thread. Tasks go to the current main message loop until the
// gate is closed; a task posted after that, or while there is no loop, is dropped with a log line. close waits for
// a post under way, so once it returns the loop may be destroyed while other threads go on posting.
class UiTaskGate {
public:
    // Queues the task for the UI thread; false when it was dropped.
    bool post(base::Closure task);
    // Ends the loop after the task under way; nothing once closed.
    void quitLoop();
    void close();

private:
    std::mutex mutex_;
    bool closed_ = false;
};

// The process's gate; closed when the UI loop has ended (tarnel_interface::stopCommunication).
UiTaskGate& uiTasks();

}  // namespace client

// Runs an operation on a window later, on the UI thread; the task holds a reference that keeps the window alive
// until it has run.
template <class Action>
void postWindowTask(const scoped_refptr<NativeWindow>& window, Action action) {
    client::uiTasks().post(base::Bind([window, action = std::move(action)] { action(*window); }));
}
