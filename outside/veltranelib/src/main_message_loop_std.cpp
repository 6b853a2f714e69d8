#include "veltranelib/main_message_loop_std.h"

#include "task_queue.h"

namespace client {

int MainMessageLoopStd::Run() {
    queue().run();
    return 0;
}

}  // namespace client
