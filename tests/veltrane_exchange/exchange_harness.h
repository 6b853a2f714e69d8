#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <poll.h>

#include <boost/asio/local/stream_protocol.hpp>
#include <boost/asio/read.hpp>
#include <boost/asio/write.hpp>
#include <boost/make_shared.hpp>

#include "cefexchange/cef_service_api.h"
#include "cefexchange/gaviston.h"
#include "foundation/io/io_service_threadpool.h"
#include "foundation/msg_svc/exchange/default_exchange.h"
#include "foundation/msg_svc/exchange/exchange_protocol.h"
#include "foundation/msg_svc/exchange/frame_reader.h"
#include "foundation/msg_svc/exchange/message_queue.h"
#include "foundation/msg_svc/transport/layers/session/session_protocol.h"

namespace exchange_test {

namespace exchange = foundation::msg_svc::exchange;
using namespace std::chrono_literals;

inline void initProtocols() {
    foundation::msg_svc::transport::layers::session::SessionProtocol::init("CEF", "CURRENT_TARNEL_VERSION");
    exchange::ExchangeProtocol::init();
    cefexchange::Gaviston::init();
}

// Polls until the condition holds or the time is up; says whether it held.
template <class Condition>
bool eventually(Condition condition, std::chrono::milliseconds limit = 5000ms) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

// A short-named folder for sockets, removed at the end.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vx-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data()) ? pattern : throw std::runtime_error("mkdtemp failed");
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Keeps every envelope it is given and, when asked, answers each at once with the plain reply.
class RecordingQueue : public exchange::MessageQueue {
public:
    RecordingQueue(boost::shared_ptr<exchange::DefaultExchange> owner, bool answers)
        : MessageQueue(boost::weak_ptr<exchange::ExchangeApi>(owner)), answers_(answers) {}

    void stop() override {}
    void submit(const boost::shared_ptr<const exchange::Envelope>& envelope) override {
        {
            std::lock_guard lock(mutex_);
            received_.push_back(envelope);
        }
        if (answers_)
            sendReply(exchange::Routing(envelope->getRouting(), exchange()), envelope->getMessageId(),
                      exchange::Reply::defaultReply(), "");
    }

    std::vector<boost::shared_ptr<const exchange::Envelope>> received() const {
        std::lock_guard lock(mutex_);
        return received_;
    }
    bool waitForCount(std::size_t count) const {
        return eventually([&] { return received().size() >= count; });
    }

private:
    const bool answers_;
    mutable std::mutex mutex_;
    std::vector<boost::shared_ptr<const exchange::Envelope>> received_;
};

inline boost::shared_ptr<RecordingQueue> serveBrowserService(const boost::shared_ptr<exchange::DefaultExchange>& owner,
                                                            bool answers = true) {
    auto queue = boost::make_shared<RecordingQueue>(owner, answers);
    owner->registerMessageQueue(cefexchange::CEFServiceAPI::serviceName, queue);
    return queue;
}

// A message frame as a sender would write it, with any type name and payload bytes; with noReply, its sender
// takes no reply.
inline std::string messageFrame(const std::string& type, const std::string& payload, exchange::IDType id,
                                const std::string& service = cefexchange::CEFServiceAPI::serviceName,
                                bool noReply = false) {
    exchange::wire::Frame frame;
    auto* message = frame.mutable_message();
    message->set_service(service);
    message->set_type(type);
    message->set_payload(payload);
    message->set_id(id);
    message->set_no_reply(noReply);
    return exchange::encodeFrame(frame);
}

// A plain socket speaking raw frames, for driving the other side by hand.
class RawEnd {
public:
    using Socket = boost::asio::local::stream_protocol::socket;

    // Reads give up after five seconds, so a side that never answers fails the test instead of hanging it.
    explicit RawEnd(Socket socket) : socket_(std::move(socket)) {}

    static RawEnd connect(boost::asio::io_context& context, const std::string& path) {
        Socket socket(context);
        socket.connect(boost::asio::local::stream_protocol::endpoint(path));
        return RawEnd(std::move(socket));
    }

    void write(const std::string& bytes) { boost::asio::write(socket_, boost::asio::buffer(bytes)); }
    void writeHandshake(const std::string& name, const std::string& version = "CURRENT_TARNEL_VERSION") {
        exchange::wire::Frame frame;
        frame.mutable_handshake()->set_name(name);
        frame.mutable_handshake()->set_protocol("CEF");
        frame.mutable_handshake()->set_version(version);
        write(exchange::encodeFrame(frame));
    }
    // The next frame, or nothing once the other side has closed the stream.
    std::optional<exchange::wire::Frame> readFrame() {
        for (;;) {
            if (auto frame = reader_.next()) return frame;
            pollfd readable{socket_.native_handle(), POLLIN, 0};
            if (::poll(&readable, 1, 5000) != 1) {
                lastError_ = boost::asio::error::timed_out;
                return std::nullopt;
            }
            char chunk[4096];
            boost::system::error_code error;
            const std::size_t received = socket_.read_some(boost::asio::buffer(chunk), error);
            if (error) {
                lastError_ = error;
                return std::nullopt;
            }
            reader_.append(std::string_view(chunk, received));
        }
    }
    // True when the other side closes the stream (after any frames it sent first), false when it
    // keeps it open.
    bool closedByOtherSide() {
        while (readFrame()) {
        }
        return ended();
    }
    // True once a read found the stream closed by the other side.
    bool ended() const {
        return lastError_ == boost::asio::error::eof || lastError_ == boost::asio::error::connection_reset;
    }

private:
    Socket socket_;
    boost::system::error_code lastError_;
    exchange::FrameReader reader_;
};

}  // namespace exchange_test
