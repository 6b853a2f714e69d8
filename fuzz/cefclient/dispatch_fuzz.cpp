// Any payload into the pipe dispatcher: nothing may crash, and everything written back must be a window message.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>

#include "aldermoss/cefclient_utils.h"
#include "cefclient/tarnel_interface.h"
#include "cefclient_messages.pb.h"
#include "veltranelib/main_message_loop_std.h"

namespace {

struct Streams {
    std::stringstream in;
    std::stringstream out;
    std::stringstream err;
};

Streams& streams() {
    static Streams pipe;
    return pipe;
}

void runPostedTasks(client::MainMessageLoop& loop) {
    loop.PostClosure(base::Bind([&loop] { loop.Quit(); }));
    loop.Run();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    client::tarnel_interface& bridge = *client::tarnel_interface::instance();
    Streams& pipe = streams();
    bridge.attachPipe(pipe.in, pipe.out, pipe.err);
    {
        // Tasks find the loop when they are posted, so it exists before the dispatcher runs.
        client::MainMessageLoopStd loop;
        bridge.processWindowMessages(std::string(reinterpret_cast<const char*>(data), size));
        runPostedTasks(loop);
    }
    {
        client::MainMessageLoopStd loop;
        for (const auto& entry : bridge.windows()) bridge.deregisterWebWindow(entry.first->getID());
        runPostedTasks(loop);
    }

    std::string frame;
    while (cefclient_utils::readMessageFromPipe(pipe.out, frame)) {
        cefclient_messages::windowMessage message;
        if (frame != "closePipes" && !message.ParseFromString(frame)) std::abort();
    }
    pipe.out.str("");
    pipe.out.clear();
    pipe.err.str("");
    pipe.err.clear();
    return 0;
}
