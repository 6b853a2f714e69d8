#pragma once

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <boost/asio/local/stream_protocol.hpp>
#include <boost/make_shared.hpp>

#include "cefexchange/cef_service_api.h"
#include "cefexchange/gaviston.h"
#include "foundation/io/io_service_threadpool.h"
#include "foundation/msg_svc/exchange/default_exchange.h"
#include "foundation/msg_svc/exchange/exchange_protocol.h"
#include "foundation/msg_svc/exchange/frame_reader.h"
#include "foundation/msg_svc/exchange/message_queue.h"
#include "foundation/msg_svc/exchange/raw_end.h"
#include "foundation/msg_svc/transport/layers/session/session_protocol.h"

namespace exchange_test {

namespace exchange = foundation::msg_svc::exchange;
using namespace std::chrono_literals;

// What the browser-window host's exchange speaks.
inline const std::string kProtocol = "CEF";
inline const std::string kVersion = "CURRENT_TARNEL_VERSION";

inline void initProtocols() {
    foundation::msg_svc::transport::layers::session::SessionProtocol::init(kProtocol, kVersion);
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
using exchange::testing::RawEnd;

}  // namespace exchange_test
