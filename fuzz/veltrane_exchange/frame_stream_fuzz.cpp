// Any bytes as a stream of exchange frames, fed in pieces whose sizes the first byte picks. The reader
// must fail cleanly or yield frames that survive a round trip, and never hold more than one frame. Every
// message that decodes goes to the browser service through the exchange and must be answered.
#include <cstdint>
#include <cstdlib>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "cefclient/CEFBrowserService.h"
#include "cefclient/tarnel_interface.h"
#include "cefexchange/gaviston.h"
#include "foundation/msg_svc/exchange/exchange_protocol.h"
#include "foundation/msg_svc/exchange/frame_reader.h"
#include "veltranelib/main_message_loop_std.h"

namespace exchange = foundation::msg_svc::exchange;

namespace {

using MessagePtr = boost::shared_ptr<const exchange::Message>;

// The browser service on its own thread for the whole run, as the program has it.
void startService() {
    static const bool started = [] {
        auto service = client::CEFBrowserService::create();
        std::thread([service] { service->mainServiceLoop(); }).detach();
        return true;
    }();
    (void)started;
}

void runPostedTasks(client::MainMessageLoop& loop) {
    loop.PostClosure(base::Bind([&loop] { loop.Quit(); }));
    loop.Run();
}

// Hands each message to the service and waits for every reply, then runs what the handlers posted and closes
// the windows they opened.
void serve(const std::vector<MessagePtr>& messages) {
    if (messages.empty()) return;
    startService();
    auto api = exchange::ExchangeApi::instance();
    const exchange::Address service(api->localName(), cefexchange::CEFServiceAPI::serviceName);
    client::tarnel_interface& bridge = *client::tarnel_interface::instance();
    {
        client::MainMessageLoopStd loop;
        for (const MessagePtr& message : messages) {
            auto answered = std::make_shared<std::promise<void>>();
            auto reply = answered->get_future();
            api->send(message, service, [answered](const auto&) { answered->set_value(); });
            reply.wait();
        }
        runPostedTasks(loop);
    }
    client::MainMessageLoopStd loop;
    for (const auto& entry : bridge.windows()) bridge.deregisterWebWindow(entry.first->getID());
    runPostedTasks(loop);
}

void checkRoundTrip(const exchange::wire::Frame& frame) {
    exchange::FrameReader again;
    again.append(exchange::encodeFrame(frame));
    auto copy = again.next();
    if (!copy || copy->SerializeAsString() != frame.SerializeAsString()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = [] {
        exchange::ExchangeProtocol::init();
        cefexchange::Gaviston::init();
        return true;
    }();
    (void)ready;
    if (size == 0) return 0;
    const std::size_t piece = 1 + data[0] % 64;
    const std::string stream(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::vector<MessagePtr> decoded;
    exchange::FrameReader reader;
    try {
        for (std::size_t at = 0; at < stream.size(); at += piece) {
            reader.append(std::string_view(stream).substr(at, piece));
            while (auto frame = reader.next()) {
                checkRoundTrip(*frame);
                if (frame->has_message()) {
                    try {
                        decoded.push_back(exchange::ExchangeProtocol::decode(frame->message().type(),
                                                                             frame->message().payload()));
                    } catch (const std::runtime_error&) {
                        // An unknown type or an invalid payload is refused, never a crash.
                    }
                }
            }
            if (reader.buffered() > exchange::kMaxFrameLength + 4 + piece) std::abort();
        }
    } catch (const exchange::FrameError&) {
    }
    serve(decoded);
    return 0;
}
