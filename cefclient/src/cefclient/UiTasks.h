#pragma once

#include <utility>

#include "veltranelib/native_window.h"
#include "veltranelib/main_message_loop.h"

// Runs an operation on a window later, on the UI thread; the task holds a reference that keeps the window alive
// until it has run.
template <class Action>
void postWindowTask(const scoped_refptr<NativeWindow>& window, Action action) {
    client::MainMessageLoop::Get()->PostClosure(base::Bind([window, action = std::move(action)] { action(*window); }));
}
