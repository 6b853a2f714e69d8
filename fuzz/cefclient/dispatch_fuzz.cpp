// Any byte stream as the host's side of the pipe, read by the real reader and framing and performed by the
// dispatcher, so that a window made by one frame is acted on by the next. Nothing may crash; everything written back
// must be a window message or "closePipes"; the end of the stream must close every window, end the UI loop and send
// "closePipes" exactly once.
#include <cstdint>
#include <cstdlib>
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

void clear(std::stringstream& stream) {
    stream.str("");
    stream.clear();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    client::tarnel_interface& bridge = *client::tarnel_interface::instance();
    Streams& pipe = streams();
    pipe.in.str(std::string(reinterpret_cast<const char*>(data), size));
    pipe.in.clear();
    bridge.attachPipe(pipe.in, pipe.out, pipe.err);
    {
        // The reader posts to the loop, so it exists first; it runs until the session has ended.
        client::MainMessageLoopStd loop;
        bridge.readPipeMessages();
        loop.Run();
    }
    if (!bridge.windows().empty()) std::abort();

    int closePipes = 0;
    std::string frame;
    while (cefclient_utils::readMessageFromPipe(pipe.out, frame)) {
        cefclient_messages::windowMessage message;
        if (frame == "closePipes") {
            ++closePipes;
        } else if (!message.ParseFromString(frame)) {
            std::abort();
        }
    }
    if (closePipes != 1) std::abort();
    clear(pipe.out);
    clear(pipe.err);
    return 0;
}
