#include "ExchangeHost.h"

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <future>
#include <stdexcept>

#include <boost/asio/strand.hpp>
#include <boost/make_shared.hpp>

#include "cef/transport/cef_server_transport_listener.h"
#include "cefexchange/cef_service_api.h"
#include "cefexchange/gaviston.h"
#include "foundation/io/io_service_threadpool.h"
#include "foundation/msg_svc/exchange/exchange_protocol.h"
#include "foundation/msg_svc/exchange/message_queue.h"
#include "foundation/msg_svc/exchange/stream_connection.h"

namespace veltrane_host {
namespace {

namespace exchange = foundation::msg_svc::exchange;

const char kProtocol[] = "CEF";
const char kVersionKey[] = "CURRENT_TARNEL_VERSION";

void initProtocols() {
    static const bool ready = [] {
        exchange::ExchangeProtocol::init();
        cefexchange::Gaviston::init();
        return true;
    }();
    (void)ready;
}

}  // namespace

std::string freshSocketPath(const std::string& stem) {
    static std::atomic<int> counter{0};
    const auto path = std::filesystem::temp_directory_path() /
                      (stem + "-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".sock");
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    return path.string();
}

// Keeps every message and answers it with the plain reply, as a host does.
class ExchangeEndpoint::Inbox : public exchange::MessageQueue {
public:
    Inbox(ExchangeEndpoint& owner, const boost::shared_ptr<exchange::DefaultExchange>& exchange)
        : MessageQueue(boost::weak_ptr<exchange::ExchangeApi>(exchange)), owner_(owner) {}

    void stop() override {}
    void submit(const boost::shared_ptr<const exchange::Envelope>& envelope) override {
        {
            Received message{envelope->getRouting().sender.partner(), envelope->getMessageId(), envelope->getMessage()};
            std::lock_guard lock(owner_.mutex_);
            if (owner_.observer_)
                owner_.observer_(message);
            else
                received_.push_back(std::move(message));
        }
        owner_.changed_.notify_all();
        sendReply(exchange::Routing(envelope->getRouting(), exchange()), envelope->getMessageId(),
                  exchange::Reply::defaultReply(), "");
    }

    // Under the owner's mutex.
    std::vector<Received> received_;

private:
    ExchangeEndpoint& owner_;
};

ExchangeEndpoint::ExchangeEndpoint(const std::string& name, std::size_t ioThreads)
    : pool_(foundation::io::IOServiceThreadpool::createThreadpool(ioThreads)),
      exchange_(boost::make_shared<exchange::DefaultExchange>(name)) {
    initProtocols();
    inbox_ = boost::make_shared<Inbox>(*this, exchange_);
    exchange_->registerMessageQueue(cefexchange::CEFServiceAPI::serviceName, inbox_);
}

ExchangeEndpoint::~ExchangeEndpoint() {
    exchange_->unregisterMessageQueue(cefexchange::CEFServiceAPI::serviceName);
    pool_->stop();
}

const std::string& ExchangeEndpoint::name() const { return exchange_->localName(); }

std::optional<std::string> ExchangeEndpoint::partner() const {
    std::lock_guard lock(mutex_);
    return partner_;
}

bool ExchangeEndpoint::waitForPartner(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return partner_.has_value(); });
}

bool ExchangeEndpoint::command(const boost::shared_ptr<const exchange::Message>& message,
                               std::chrono::milliseconds timeout) {
    auto answered = std::make_shared<std::promise<void>>();
    auto reply = answered->get_future();
    try {
        send(message, [answered](const auto&) { answered->set_value(); });
    } catch (const std::exception&) {
        return false;
    }
    return reply.wait_for(timeout) == std::future_status::ready;
}

void ExchangeEndpoint::send(const boost::shared_ptr<const exchange::Message>& message,
                            exchange::ExchangeApi::ReplyCallback onReply) {
    const std::optional<std::string> to = partner();
    if (!to) throw std::runtime_error("no partner to send to");
    exchange_->send(message, exchange::Address(*to, cefexchange::CEFServiceAPI::serviceName), onReply);
}

void ExchangeEndpoint::observe(std::function<void(const Received&)> observer) {
    std::lock_guard lock(mutex_);
    observer_ = std::move(observer);
}

std::vector<ExchangeEndpoint::Received> ExchangeEndpoint::received() const {
    std::lock_guard lock(mutex_);
    return inbox_->received_;
}

bool ExchangeEndpoint::waitFor(const std::function<bool(const std::vector<Received>&)>& done,
                               std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return done(inbox_->received_); });
}

bool ExchangeEndpoint::partnerGone() const {
    std::lock_guard lock(mutex_);
    return partnerGone_;
}

bool ExchangeEndpoint::waitForPartnerGone(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return partnerGone_; });
}

void ExchangeEndpoint::partnerConnected(const std::string& partner) {
    {
        std::lock_guard lock(mutex_);
        partner_ = partner;
    }
    changed_.notify_all();
}

void ExchangeEndpoint::partnerEnded() {
    {
        std::lock_guard lock(mutex_);
        partnerGone_ = true;
    }
    changed_.notify_all();
}

ExchangeHost::ExchangeHost(std::size_t ioThreads) : ExchangeEndpoint("host", ioThreads), socketPath_(freshSocketPath("veltrane-host")) {
    listener_ = boost::make_shared<cef::transport::CEFServerTransportListener>(
        *pool_, exchange_, exchange::HandshakeInfo{name(), kProtocol, kVersionKey},
        std::vector<std::string>{socketPath_});
    listener_->registerCallbacks(
        [this](const std::string& partner, exchange::IDType, std::shared_ptr<cef::transport::CEFServerTransportAPI>,
               bool refused) {
            if (!refused) partnerConnected(partner);
        },
        [this](std::shared_ptr<cef::transport::CEFServerTransportAPI>) { partnerEnded(); },
        cef::transport::CEFServerTransportListener::ConnectionFailed());
}

ExchangeHost::~ExchangeHost() { close(); }

void ExchangeHost::close() { listener_->close(); }

ExchangePeer::ExchangePeer(const std::string& name, const std::string& socketPath) : ExchangeEndpoint(name) {
    exchange::StreamConnection::Socket socket(boost::asio::make_strand(pool_->ioContext()));
    boost::system::error_code error;
    socket.connect(boost::asio::local::stream_protocol::endpoint(socketPath), error);
    if (error) throw std::runtime_error("cannot reach \"" + socketPath + "\": " + error.message());
    auto exchange = exchange_;
    auto connection = std::make_shared<boost::shared_ptr<exchange::StreamConnection>>();
    *connection = exchange::StreamConnection::create(
        std::move(socket), exchange_, exchange::HandshakeInfo{name, kProtocol, kVersionKey},
        [this, exchange, connection](const std::string& partner) {
            exchange->attachPartner(partner, *connection);
            partnerConnected(partner);
            return true;
        },
        [this](const std::string&) { partnerEnded(); });
    connection_ = *connection;
    connection_->start();
}

ExchangePeer::~ExchangePeer() { close(); }

void ExchangePeer::close() { connection_->close(); }

}  // namespace veltrane_host
