// Any bytes as a stream of exchange frames. The reader must fail cleanly or yield frames that survive a round
// trip, and never hold more than one frame. Then the same bytes go through the real connections: from a listening
// peer, whose messages are all refused, and from the host over a fresh session, whose messages reach the browser
// service. After a stream of whole frames the host's next message must still be answered.
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <optional>
#include <string>
#include <thread>

#include <boost/asio/local/stream_protocol.hpp>

#include "cef/transport/cef_server_transport_listener.h"
#include "cef/transport/cef_server_transport_session.h"
#include "cefclient/CEFBrowserService.h"
#include "cefclient/tarnel_interface.h"
#include "cefexchange/gaviston.h"
#include "cefexchange/messages.h"
#include "fl/i18n/conversion.h"
#include "foundation/io/io_service_threadpool.h"
#include "foundation/msg_svc/exchange/exchange_protocol.h"
#include "foundation/msg_svc/exchange/frame_reader.h"
#include "foundation/msg_svc/exchange/raw_end.h"
#include "foundation/msg_svc/transport/layers/session/session.h"
#include "foundation/msg_svc/transport/layers/session/session_protocol.h"
#include "veltranelib/main_message_loop_multithreaded_win.h"

namespace exchange = foundation::msg_svc::exchange;
using foundation::msg_svc::transport::layers::session::Session;
using Socket = boost::asio::local::stream_protocol::socket;
using Endpoint = boost::asio::local::stream_protocol::endpoint;

namespace {

constexpr char kProtocol[] = "CEF";
constexpr char kVersion[] = "CURRENT_TARNEL_VERSION";
constexpr std::chrono::seconds kReadLimit(10);

// The fuzzer's timeout timer interrupts blocking calls with a signal; these are made again.
bool interrupted(const boost::system::error_code& error) { return error == boost::asio::error::interrupted; }

using exchange::testing::RawEnd;

// The next frame from the program; nothing once the stream has ended. The program falling silent is a failure.
std::optional<exchange::wire::Frame> nextFrame(RawEnd& end) {
    auto frame = end.readFrame();
    if (!frame && end.fellSilent()) std::abort();
    return frame;
}

// The UI thread for the whole run. Closing the last window asks it to end, as the process would; here the next
// input opens windows again.
class EndlessUiLoop : public client::MainMessageLoopMultithreadedWin {
public:
    void Quit() override {}
};

// The browser service, the listener for peers, the socket the sessions attach to and the UI thread, made once for
// the whole run. The service thread posts window tasks to the UI loop whenever it handles a command, also after
// the input that sent it has ended, so that loop must outlive every post.
struct Program {
    Program() {
        foundation::msg_svc::transport::layers::session::SessionProtocol::init(kProtocol, kVersion);
        exchange::ExchangeProtocol::init();
        cefexchange::Gaviston::init();
        service = client::CEFBrowserService::create();
        std::thread([service = service, ended = std::move(serviceRunning)]() mutable {
            service->mainServiceLoop();
            ended.set_value();
        }).detach();

        client::tarnel_interface& bridge = *client::tarnel_interface::instance();
        listening->init(pool, kProtocol, kVersion);
        listener = listening->listen({fl::i18n::to_ustring(folder + "/peers.sock")});
        listener->setPeerRights(exchange::PartnerRights::hearOnly);
        listener->registerCallbacks(
            [&bridge](const std::string& name, exchange::IDType id, auto peer, bool refused) {
                bridge.onPeerConnected(name, id, std::move(peer), refused);
            },
            [&bridge](auto peer) { bridge.onPeerDisconnected(std::move(peer)); }, {});
    }

    // Ends the service thread, once the messages queued are answered, so that it touches nothing while the
    // process's statics are destroyed.
    void stopService() {
        service->stop();
        if (serviceEnded.wait_for(std::chrono::seconds(10)) != std::future_status::ready) std::abort();
    }

    // A peer on the listening socket, handshaken and answered.
    RawEnd joinAsPeer() {
        RawEnd peer = RawEnd::connect(context, folder + "/peers.sock", kReadLimit);
        peer.writeHandshake("fuzz-peer", kProtocol, kVersion);
        if (!nextFrame(peer)) std::abort();
        return peer;
    }

    // A fresh session to the host, attached and made the bridge's.
    std::pair<boost::shared_ptr<Session>, RawEnd> attachHost() {
        auto session = Session::create(1, pool, "");
        auto attached = std::async(std::launch::async, [&] {
            return session->attachToParentClient("NamedPipeHandle", folder + "/host.sock", {}, {});
        });
        RawEnd host(acceptHost(), kReadLimit);
        host.writeHandshake("fuzz-host", kProtocol, kVersion);
        if (!nextFrame(host) || !attached.get()) std::abort();
        client::tarnel_interface::instance()->setExchangeSession(session);
        client::tarnel_interface::instance()->disconnectPeerNamedLikeHost();
        return {session, std::move(host)};
    }

    Socket acceptHost() {
        for (;;) {
            boost::system::error_code error;
            Socket socket = hostAcceptor.accept(error);
            if (!error) return socket;
            if (!interrupted(error)) std::abort();
        }
    }

    const std::string folder = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "vxf-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) std::abort();
        return pattern;
    }();
    std::promise<void> serviceRunning;
    std::future<void> serviceEnded = serviceRunning.get_future();
    boost::shared_ptr<client::CEFBrowserService> service;
    boost::asio::io_context context;
    boost::asio::local::stream_protocol::acceptor hostAcceptor{context, Endpoint(folder + "/host.sock")};
    boost::shared_ptr<foundation::io::IOServiceThreadpool> pool =
        foundation::io::IOServiceThreadpool::createThreadpool(2);
    boost::shared_ptr<cef::transport::CEFServerTransportSession> listening =
        cef::transport::CEFServerTransportSession::create();
    boost::shared_ptr<cef::transport::CEFServerTransportListener> listener;
    EndlessUiLoop uiLoop;
};

Program& program() {
    static Program* const instance = new Program();  // lives on with the detached service thread
    return *instance;
}

// Runs the action on the UI thread once the tasks posted before it have run.
template <class Action>
void onUiThread(Action action) {
    std::promise<void> done;
    program().uiLoop.PostClosure(base::Bind([&] {
        action();
        done.set_value();
    }));
    done.get_future().wait();
}

// Checks the reader alone; says whether the whole stream was framed cleanly.
bool framesCleanly(const std::string& stream, std::size_t piece) {
    exchange::FrameReader reader;
    try {
        for (std::size_t at = 0; at < stream.size(); at += piece) {
            reader.append(std::string_view(stream).substr(at, piece));
            while (auto frame = reader.next()) {
                exchange::FrameReader again;
                again.append(exchange::encodeFrame(*frame));
                auto copy = again.next();
                if (!copy || copy->SerializeAsString() != frame->SerializeAsString()) std::abort();
                if (frame->has_handshake()) return false;  // a second handshake ends the connection
            }
            if (reader.buffered() > exchange::kMaxFrameLength + 4 + piece) std::abort();
        }
    } catch (const exchange::FrameError&) {
        return false;
    }
    return reader.buffered() == 0;
}

// Sends the stream as the host, then one message that must be answered while the framing held.
void driveHost(const std::string& stream, bool framed) {
    auto [session, host] = program().attachHost();
    const bool written = host.tryWrite(stream);
    // A stream cut inside a frame, or one that broke the framing, leaves nothing to wait for.
    if (framed) {
        exchange::wire::Frame probe;
        auto* message = probe.mutable_message();
        message->set_service(cefexchange::CEFServiceAPI::serviceName);
        exchange::ExchangeProtocol::encode(cefexchange::SetCommandMessage("no-window", "GetPosition"),
                                           *message->mutable_type(), *message->mutable_payload());
        message->set_id(UINT64_MAX);
        if (!written || !host.tryWrite(exchange::encodeFrame(probe))) std::abort();
        bool answered = false;
        while (auto frame = nextFrame(host)) {
            answered = frame->has_reply() && frame->reply().id() == UINT64_MAX;
            if (answered) break;
        }
        if (!answered) std::abort();  // the host lost its connection or its answer
    }
    onUiThread([] {
        client::tarnel_interface& bridge = *client::tarnel_interface::instance();
        for (const auto& entry : bridge.windows()) bridge.deregisterWebWindow(entry.first->getID());
    });
    onUiThread([] {});  // what the closing windows posted
    session->terminate();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::size_t piece = 1 + data[0] % 64;
    const std::string stream(reinterpret_cast<const char*>(data) + 1, size - 1);
    const bool framed = framesCleanly(stream, piece);
    {
        RawEnd peer = program().joinAsPeer();
        peer.tryWrite(stream);
    }
    driveHost(stream, framed);
    // Registered once an input has run, after the statics the service uses came to be, so that it runs before
    // they are destroyed at the exit.
    static const bool stopsAtExit = std::atexit([] { program().stopService(); }) == 0;
    (void)stopsAtExit;
    return 0;
}
