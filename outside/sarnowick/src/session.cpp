#include "foundation/msg_svc/transport/layers/session/session.h"

#include <chrono>
#include <cstdint>
#include <future>
#include <stdexcept>

#include <boost/asio/strand.hpp>
#include <boost/make_shared.hpp>

#include "foundation/io/io_service_threadpool.h"
#include "foundation/log/diagnostic_logger.h"
#include "foundation/msg_svc/exchange/stream_connection.h"
#include "foundation/msg_svc/transport/layers/session/session_protocol.h"

namespace foundation::msg_svc::transport::layers::session {
namespace {

using exchange::StreamConnection;

constexpr auto kHandshakeTimeout = std::chrono::seconds(10);
// Nothing for the client is ever refused: past this much unwritten, its input waits until half has gone, so
// that a client that does not read slows itself down.
constexpr std::size_t kClientPauseAbove = 4 * 1024 * 1024;
constexpr foundation::log::severity_t kDetail = 4;

foundation::log::diagnostic_logger& sessionLogger() {
    static foundation::log::diagnostic_logger logger("foundation::msg_svc::transport::layers::session::Session");
    return logger;
}

StreamConnection::Socket connectTo(boost::asio::io_context& context, const std::string& path) {
    StreamConnection::Socket socket(boost::asio::make_strand(context));
    if (path.empty()) throw std::runtime_error("no transport handle was given to attach to");
    boost::system::error_code error;
    try {
        socket.connect(boost::asio::local::stream_protocol::endpoint(path), error);
    } catch (const std::exception& invalid) {  // a path longer than a socket address holds
        throw std::runtime_error("cannot reach the client at \"" + path + "\": " + invalid.what());
    }
    if (error) throw std::runtime_error("cannot reach the client at \"" + path + "\": " + error.message());
    return socket;
}

}  // namespace

// One connection's life, shared with the handlers that run on the I/O threads.
struct Session::Attachment {
    std::mutex mutex;
    // The partner's name, or why there is none. No exception travels through it: the thread that settles it
    // could otherwise free the exception while the waiting thread still reads it.
    struct Outcome {
        bool attached = false;
        std::string nameOrReason;
    };
    std::promise<Outcome> handshake;
    bool handshaken = false;
    bool terminated = false;
    Callback onConnectionEnded;
    boost::shared_ptr<StreamConnection> connection;

    void ended(const std::string& reason) {
        Callback callback;
        {
            std::lock_guard lock(mutex);
            if (!handshaken) {
                handshaken = true;  // the promise is settled
                handshake.set_value(Outcome{false, reason});
                return;
            }
            if (terminated) return;
            callback = std::move(onConnectionEnded);
            onConnectionEnded = nullptr;
        }
        if (callback) callback();
    }
};

boost::shared_ptr<Session> Session::create(int type, boost::shared_ptr<io::IOServiceThreadpool> threadPool,
                                           const std::string& name) {
    if (type != kClientSession) throw std::invalid_argument("unsupported session type " + std::to_string(type));
    if (!threadPool) throw std::invalid_argument("a session needs an I/O thread pool");
    auto exchange = exchange::ExchangeApi::defaultInstance();
    return boost::shared_ptr<Session>(new Session(std::move(threadPool), exchange, name));
}

Session::Session() = default;

Session::Session(boost::shared_ptr<io::IOServiceThreadpool> threadPool,
                 boost::shared_ptr<exchange::DefaultExchange> exchange, std::string name)
    : threadPool_(std::move(threadPool)), exchange_(std::move(exchange)), name_(std::move(name)) {
    if (name_.empty()) name_ = exchange_->localName();
}

Session::~Session() { terminate(); }

bool Session::attachToParentClient(const std::string& handleType, const std::string& handleValue,
                                   Callback onConnectionEnded, Callback onAttached) {
    const exchange::HandshakeInfo local{exchange_ ? exchange_->localName() : std::string(),
                                        SessionProtocol::protocolName(), SessionProtocol::versionKey()};
    if (handleType != kNamedPipeHandle)
        throw std::invalid_argument("unsupported transport handle type \"" + handleType + "\"");
    if (!threadPool_) throw std::logic_error("the session has no transport");
    auto attachment = std::make_shared<Attachment>();
    {
        std::lock_guard lock(mutex_);
        if (attachment_) throw std::logic_error("the session is attached already");
        attachment_ = attachment;
    }
    try {
        attachment->onConnectionEnded = std::move(onConnectionEnded);
        auto exchange = exchange_;
        auto connection = StreamConnection::create(
            connectTo(threadPool_->ioContext(), handleValue), exchange, local,
            [exchange, attachment](const std::string& partner) {
                std::lock_guard lock(attachment->mutex);
                if (attachment->terminated) return false;
                exchange->attachPartner(partner, attachment->connection);
                attachment->handshaken = true;
                attachment->handshake.set_value(Attachment::Outcome{true, partner});
                return true;
            },
            [attachment](const std::string& reason) { attachment->ended(reason); },
            exchange::OutputLimits{kClientPauseAbove, SIZE_MAX, false, nullptr});
        {
            std::lock_guard lock(attachment->mutex);
            attachment->connection = connection;
        }
        auto partner = attachment->handshake.get_future();
        connection->start();
        if (partner.wait_for(kHandshakeTimeout) != std::future_status::ready) {
            connection->close();
            throw std::runtime_error("the client at \"" + handleValue + "\" did not answer the handshake");
        }
        Attachment::Outcome outcome = partner.get();
        if (!outcome.attached) throw std::runtime_error(outcome.nameOrReason);
        setPartnerName(std::move(outcome.nameOrReason));
    } catch (...) {
        {
            std::lock_guard lock(attachment->mutex);
            attachment->terminated = true;
            if (attachment->connection) attachment->connection->close();
        }
        std::lock_guard lock(mutex_);
        attachment_.reset();
        throw;
    }
    FOUNDATION_LOG(sessionLogger(), kDetail) << name_ << " attached to \"" << partnerName() << "\" at " << handleValue;
    if (onAttached) onAttached();
    return true;
}

std::string Session::partnerName() const {
    std::lock_guard lock(mutex_);
    if (!partnerName_) throw std::runtime_error("the session is not attached to a client");
    return *partnerName_;
}

boost::shared_ptr<const Session::TerminateResult> Session::terminate() {
    auto result = boost::make_shared<TerminateResult>();
    std::shared_ptr<Attachment> attachment;
    {
        std::lock_guard lock(mutex_);
        attachment.swap(attachment_);
        if (attachment) partnerName_.reset();
    }
    if (!attachment) return result;
    boost::shared_ptr<StreamConnection> connection;
    {
        std::lock_guard lock(attachment->mutex);
        attachment->terminated = true;
        connection = std::move(attachment->connection);
    }
    if (connection) {
        result->connectionEnded = connection->isOpen();
        connection->close();
    }
    return result;
}

void Session::setPartnerName(std::string partnerName) {
    std::lock_guard lock(mutex_);
    partnerName_ = std::move(partnerName);
}

}  // namespace foundation::msg_svc::transport::layers::session
