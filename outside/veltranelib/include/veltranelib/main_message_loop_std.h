#pragma once

#include "veltranelib/main_message_loop.h"

namespace client {

// Runs the tasks on the thread that calls Run.
class MainMessageLoopStd : public MainMessageLoop {
public:
    MainMessageLoopStd() = default;

    int Run() override;
};

}  // namespace client
