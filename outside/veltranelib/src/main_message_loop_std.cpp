#include "veltranelib/main_message_loop_std.h"

#include "engine.h"
#include "task_queue.h"

namespace client {

int MainMessageLoopStd::Run() {
    if (veltranelib::engine::running()) return veltranelib::engine::runLoop(queue());
    queue().run();
    return 0;
}

}  // namespace client
