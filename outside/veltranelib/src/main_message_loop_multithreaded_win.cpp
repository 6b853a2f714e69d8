#include "veltranelib/main_message_loop_multithreaded_win.h"

#include "task_queue.h"

namespace client {

MainMessageLoopMultithreadedWin::MainMessageLoopMultithreadedWin() : uiThread_([this] { queue().run(); }) {}

MainMessageLoopMultithreadedWin::~MainMessageLoopMultithreadedWin() {
    queue().quit();
    if (uiThread_.joinable()) uiThread_.join();
}

int MainMessageLoopMultithreadedWin::Run() {
    if (uiThread_.joinable()) uiThread_.join();
    return 0;
}

}  // namespace client
