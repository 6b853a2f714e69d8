#pragma once

#include <thread>

#include "veltranelib/main_message_loop.h"

namespace client {

// Runs the tasks on a UI thread of its own, started with the loop; Run blocks the caller until
// Quit and then returns.
class MainMessageLoopMultithreadedWin : public MainMessageLoop {
public:
    MainMessageLoopMultithreadedWin();
    ~MainMessageLoopMultithreadedWin() override;

    int Run() override;

private:
    std::thread uiThread_;
};

}  // namespace client
