#include "foundation/msg_svc/exchange/stream_connection.h"

#include <sys/socket.h>

#include <cerrno>
#include <stdexcept>

#include <boost/asio/dispatch.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/write.hpp>
#include <boost/make_shared.hpp>

#include "foundation/log/diagnostic_logger.h"
#include "foundation/msg_svc/exchange/exchange_protocol.h"

namespace foundation::msg_svc::exchange {
namespace {

constexpr foundation::log::severity_t kDetail = 4;
constexpr foundation::log::severity_t kError = 256;
// A write buffer larger than this is given back once written, so that one burst does not hold memory for good.
constexpr std::size_t kKeptWriteCapacity = 1024 * 1024;

// A name from the partner, cut short enough for a log record.
std::string shortened(const std::string& text) {
    constexpr std::size_t kLongest = 300;
    return text.size() <= kLongest ? text : text.substr(0, kLongest) + "...";
}

foundation::log::diagnostic_logger& connectionLogger() {
    static foundation::log::diagnostic_logger logger("foundation::msg_svc::exchange::StreamConnection");
    return logger;
}

}  // namespace

boost::shared_ptr<StreamConnection> StreamConnection::create(Socket socket, boost::shared_ptr<DefaultExchange> exchange,
                                                             HandshakeInfo local, HandshakeHandler onHandshake,
                                                             CloseHandler onClose) {
    if (!exchange) throw std::invalid_argument("a stream connection needs an exchange");
    return boost::shared_ptr<StreamConnection>(new StreamConnection(std::move(socket), std::move(exchange),
                                                                    std::move(local), std::move(onHandshake),
                                                                    std::move(onClose)));
}

StreamConnection::StreamConnection(Socket socket, boost::shared_ptr<DefaultExchange> exchange, HandshakeInfo local,
                                   HandshakeHandler onHandshake, CloseHandler onClose)
    : socket_(std::move(socket)),
      exchange_(std::move(exchange)),
      local_(std::move(local)),
      onHandshake_(std::move(onHandshake)),
      onClose_(std::move(onClose)),
      descriptor_(socket_.native_handle()) {}

void StreamConnection::start() {
    wire::Frame frame;
    auto* handshake = frame.mutable_handshake();
    handshake->set_name(local_.name);
    handshake->set_protocol(local_.protocol);
    handshake->set_version(local_.version);
    queueFrame(frame, false);
    boost::asio::dispatch(socket_.get_executor(), [self = shared_from_this()] { self->readMore(); });
}

void StreamConnection::close() {
    if (!markClosed()) return;
    boost::asio::dispatch(socket_.get_executor(), [self = shared_from_this()] { self->shutDown("closed", false); });
}

std::string StreamConnection::partnerName() const {
    std::lock_guard lock(mutex_);
    return partnerName_;
}

void StreamConnection::deliver(const boost::shared_ptr<const Envelope>& envelope) {
    const Message& message = *envelope->getMessage();
    wire::Frame frame;
    auto* body = frame.mutable_message();
    body->set_sender(envelope->getRouting().sender.partner());
    body->set_service(envelope->getRouting().destination.service());
    ExchangeProtocol::encode(message, *body->mutable_type(), *body->mutable_payload());
    body->set_id(envelope->getMessageId());
    queueFrame(frame, true);
}

void StreamConnection::deliverReply(const Address&, IDType messageId, const boost::shared_ptr<const Reply>&) {
    // Across processes every reply is the plain acknowledgement; only the message it answers travels.
    wire::Frame frame;
    frame.mutable_reply()->set_id(messageId);
    queueFrame(frame, true);
}

void StreamConnection::queueFrame(const wire::Frame& frame, bool needsHandshake) {
    std::lock_guard lock(mutex_);
    if (closed_) throw std::runtime_error("the connection to \"" + partnerName_ + "\" is closed");
    if (needsHandshake && partnerName_.empty()) throw std::runtime_error("the connection has no partner yet");
    const std::size_t queued = outbox_.size();
    appendFrame(outbox_, frame);
    if (pendingBytes_ + (outbox_.size() - queued) > kMaxPendingBytes) {
        outbox_.resize(queued);
        throw std::runtime_error("the send queue to \"" + partnerName_ + "\" is full");
    }
    pendingBytes_ += outbox_.size() - queued;
    if (writing_) return;
    writeWithoutWaiting();
    if (outbox_.empty()) return;
    writing_ = true;
    boost::asio::post(socket_.get_executor(), [self = shared_from_this()] { self->writeNext(); });
}

void StreamConnection::writeWithoutWaiting() {
    std::size_t written = 0;
    while (written < outbox_.size()) {
        const ssize_t sent = ::send(descriptor_, outbox_.data() + written, outbox_.size() - written,
                                    MSG_DONTWAIT | MSG_NOSIGNAL);
        if (sent > 0) {
            written += static_cast<std::size_t>(sent);
        } else if (sent < 0 && errno == EINTR) {
            continue;
        } else {
            break;  // the socket is full, or failed: the strand's write finds out which
        }
    }
    outbox_.erase(0, written);
    pendingBytes_ -= written;
}

void StreamConnection::writeNext() {
    {
        std::lock_guard lock(mutex_);
        if (closed_ || outbox_.empty()) {
            writing_ = false;
            return;
        }
        writingFrames_.clear();
        if (writingFrames_.capacity() > kKeptWriteCapacity) writingFrames_.shrink_to_fit();
        writingFrames_.swap(outbox_);
    }
    boost::asio::async_write(socket_, boost::asio::buffer(writingFrames_),
                             [self = shared_from_this()](const boost::system::error_code& error, std::size_t) {
                                 {
                                     std::lock_guard lock(self->mutex_);
                                     self->pendingBytes_ -= self->writingFrames_.size();
                                 }
                                 if (error) {
                                     if (self->markClosed()) self->shutDown("write failed: " + error.message(), true);
                                     return;
                                 }
                                 self->writeNext();
                             });
}

void StreamConnection::readMore() {
    if (closed_) return;
    socket_.async_read_some(
        boost::asio::buffer(readBuffer_), [self = shared_from_this()](const boost::system::error_code& error,
                                                                     std::size_t received) {
            if (error) {
                if (self->markClosed())
                    self->shutDown(error == boost::asio::error::eof ? "the partner closed the connection"
                                                                    : "read failed: " + error.message(),
                                   true);
                return;
            }
            try {
                self->reader_.append(std::string_view(self->readBuffer_.data(), received));
                while (self->reader_.next(self->frame_)) {
                    self->handleFrame(self->frame_);
                    if (self->closed_) return;
                }
            } catch (const std::exception& failure) {
                FOUNDATION_LOG(connectionLogger(), kError)
                    << "Closing the connection to \"" << self->partnerName() << "\": " << failure.what();
                if (self->markClosed()) self->shutDown(failure.what(), true);
                return;
            }
            self->readMore();
        });
}

void StreamConnection::handleFrame(const wire::Frame& frame) {
    if (frame.kind_case() == wire::Frame::kHandshake) {
        handleHandshake(frame.handshake());
        return;
    }
    if (partner_.empty()) throw FrameError("a frame came before the handshake");
    if (frame.kind_case() == wire::Frame::kMessage)
        handleMessage(frame.message());
    else
        exchange_->receiveReply(partner_, frame.reply().id(), Reply::defaultReply());
}

void StreamConnection::handleHandshake(const wire::Handshake& handshake) {
    if (!partner_.empty()) throw FrameError("a second handshake came");
    if (handshake.name().empty()) throw FrameError("the handshake names no partner");
    if (handshake.protocol() != local_.protocol || handshake.version() != local_.version)
        throw FrameError("the partner speaks protocol \"" + handshake.protocol() + "\" version \"" +
                         handshake.version() + "\", not \"" + local_.protocol + "\" version \"" + local_.version + "\"");
    partner_ = handshake.name();
    {
        std::lock_guard lock(mutex_);
        partnerName_ = partner_;
    }
    auto accept = std::move(onHandshake_);
    onHandshake_ = nullptr;
    if (accept && !accept(handshake.name())) {
        if (markClosed()) shutDown("the partner was refused", true);
    }
}

void StreamConnection::handleMessage(const wire::MessageFrame& frame) {
    // The partner's mistakes lose the message alone: the connection stays.
    try {
        auto envelope = boost::make_shared<const Envelope>(
            ExchangeProtocol::decode(frame.type(), frame.payload()),
            RouteInfo{Address(partner_, ""), Address(exchange_->localName(), frame.service())}, frame.id());
        exchange_->receive(envelope, *this, frame.payload().size());
    } catch (const std::exception& refused) {
        FOUNDATION_LOG(connectionLogger(), kError) << "Dropped a message of type \"" << shortened(frame.type())
                                                   << "\" from \"" << partner_ << "\": " << shortened(refused.what());
    }
}

bool StreamConnection::markClosed() {
    std::string partner;
    {
        std::lock_guard lock(mutex_);
        if (closed_) return false;
        closed_ = true;
        outbox_.clear();
        partner = partnerName_;
    }
    if (!partner.empty()) exchange_->detachPartnerLink(partner, shared_from_this());
    return true;
}

void StreamConnection::shutDown(const std::string& reason, bool fail) {
    boost::system::error_code ignored;
    socket_.shutdown(Socket::shutdown_both, ignored);
    socket_.close(ignored);
    FOUNDATION_LOG(connectionLogger(), kDetail) << "Connection to \"" << partnerName() << "\" ended: " << reason;
    auto onClose = std::move(onClose_);
    onClose_ = nullptr;
    onHandshake_ = nullptr;
    if (fail && onClose) onClose(reason);
}

}  // namespace foundation::msg_svc::exchange
