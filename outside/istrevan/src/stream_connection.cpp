#include "foundation/msg_svc/exchange/stream_connection.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <stdexcept>

#include <boost/asio/dispatch.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/write.hpp>
#include <boost/make_shared.hpp>

#include "foundation/log/diagnostic_logger.h"
#include "foundation/msg_svc/exchange/exchange_protocol.h"
#include "read_connections.h"

namespace foundation::msg_svc::exchange {
namespace {

constexpr foundation::log::severity_t kDetail = 4;
constexpr foundation::log::severity_t kError = 256;
// A write buffer larger than this is given back once written, so that one burst does not hold memory for good.
constexpr std::size_t kKeptWriteCapacity = 1024 * 1024;
// The same for the payload a sending thread encodes into.
constexpr std::size_t kKeptPayloadCapacity = 64 * 1024;

// A name from the partner, cut short enough for a log record.
std::string shortened(const std::string& text) {
    constexpr std::size_t kLongest = 300;
    return text.size() <= kLongest ? text : text.substr(0, kLongest) + "...";
}

foundation::log::diagnostic_logger& connectionLogger() {
    static foundation::log::diagnostic_logger logger("foundation::msg_svc::exchange::StreamConnection");
    return logger;
}

// The kept frame lets go of a large payload once it is queued, so that it never holds one for good.
struct PayloadRelease {
    std::string& payload;
    ~PayloadRelease() {
        if (payload.capacity() > kKeptPayloadCapacity) std::string().swap(payload);
    }
};

foundation::msg_svc::exchange::detail::ReadConnections readConnections;

// An arena whose first block is the given one.
google::protobuf::ArenaOptions arenaOver(char* block, std::size_t size) {
    google::protobuf::ArenaOptions options;
    options.initial_block = block;
    options.initial_block_size = size;
    return options;
}

}  // namespace

bool OutputBudget::take(std::size_t bytes) {
    std::size_t used = used_.load();
    do {
        if (used > limit_) return false;
    } while (!used_.compare_exchange_weak(used, used + bytes));
    return true;
}

boost::shared_ptr<StreamConnection> StreamConnection::create(Socket socket, boost::shared_ptr<DefaultExchange> exchange,
                                                             HandshakeInfo local, HandshakeHandler onHandshake,
                                                             CloseHandler onClose, OutputLimits limits) {
    if (!exchange) throw std::invalid_argument("a stream connection needs an exchange");
    return boost::shared_ptr<StreamConnection>(new StreamConnection(std::move(socket), std::move(exchange),
                                                                    std::move(local), std::move(onHandshake),
                                                                    std::move(onClose), std::move(limits)));
}

StreamConnection::StreamConnection(Socket socket, boost::shared_ptr<DefaultExchange> exchange, HandshakeInfo local,
                                   HandshakeHandler onHandshake, CloseHandler onClose, OutputLimits limits)
    : socket_(std::move(socket)),
      exchange_(std::move(exchange)),
      local_(std::move(local)),
      limits_(std::move(limits)),
      onHandshake_(std::move(onHandshake)),
      onClose_(std::move(onClose)),
      descriptor_(socket_.native_handle()),
      frameArena_(arenaOver(frameArenaBlock_.data(), frameArenaBlock_.size())) {}

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
    // Kept per thread and overwritten whole, so that its strings keep their room from one message to the next.
    // It is only read while the frame is appended to the outbox.
    thread_local wire::Frame frame;
    auto* body = frame.mutable_message();
    body->set_sender(envelope->getRouting().sender.partner());
    body->set_service(envelope->getRouting().destination.service());
    ExchangeProtocol::encode(message, *body->mutable_type(), *body->mutable_payload());
    body->set_id(envelope->getMessageId());
    body->set_no_reply(!envelope->getRouting().replyWanted);
    const PayloadRelease release{*body->mutable_payload()};
    queueFrame(frame, true);
}

void StreamConnection::deliverReply(const Address&, IDType messageId, const boost::shared_ptr<const Reply>&) {
    // Across processes every reply is the plain acknowledgement; only the message it answers travels.
    thread_local wire::Frame frame;
    frame.mutable_reply()->set_id(messageId);
    queueFrame(frame, true);
}

void StreamConnection::queueFrame(const wire::Frame& frame, bool needsHandshake) {
    std::unique_lock lock(mutex_);
    if (closed_) throw std::runtime_error("the connection to \"" + partnerName_ + "\" is closed");
    if (needsHandshake && partnerName_.empty()) throw std::runtime_error("the connection has no partner yet");
    const std::size_t queued = outbox_.size();
    appendFrame(outbox_, frame);
    if (refuses(outbox_.size() - queued)) {
        outbox_.resize(queued);
        const std::string refused = "\"" + partnerName_ + "\" leaves " + std::to_string(pendingBytes_) + " bytes unread";
        lock.unlock();
        if (limits_.disconnectWhenRefused) disconnectUnread();
        throw std::runtime_error(refused);
    }
    pendingBytes_ += outbox_.size() - queued;
    if (writing_) return;  // the writer under way takes it
    writing_ = true;
    writeQueued(lock);
}

void StreamConnection::writeQueued(std::unique_lock<std::mutex>& lock) {
    while (!closed_ && !outbox_.empty()) {
        writingFrames_.clear();
        if (writingFrames_.capacity() > kKeptWriteCapacity) writingFrames_.shrink_to_fit();
        writingFrames_.swap(outbox_);
        sendingDirectly_ = true;
        lock.unlock();
        const std::size_t written = sendWithoutWaiting(writingFrames_);
        lock.lock();
        sendingDirectly_ = false;
        directSendDone_.notify_all();
        release(written);
        if (written < writingFrames_.size()) {
            // The socket is full, or failed: the strand waits for it, or finds out which.
            writingFrom_ = written;
            boost::asio::post(socket_.get_executor(), [self = shared_from_this()] { self->writeRest(); });
            return;
        }
    }
    writing_ = false;
}

std::size_t StreamConnection::sendWithoutWaiting(const std::string& bytes) const {
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t sent = ::send(descriptor_, bytes.data() + written, bytes.size() - written,
                                    MSG_DONTWAIT | MSG_NOSIGNAL);
        if (sent > 0)
            written += static_cast<std::size_t>(sent);
        else if (sent < 0 && errno == EINTR)
            continue;
        else
            break;
    }
    return written;
}

void StreamConnection::writeRest() {
    const std::string_view rest = std::string_view(writingFrames_).substr(writingFrom_);
    boost::asio::async_write(socket_, boost::asio::buffer(rest.data(), rest.size()),
                             [self = shared_from_this(), size = rest.size()](const boost::system::error_code& error,
                                                                             std::size_t) {
                                 std::unique_lock lock(self->mutex_);
                                 self->release(size);
                                 if (!error) {
                                     self->writeQueued(lock);
                                     return;
                                 }
                                 self->writing_ = false;
                                 lock.unlock();
                                 if (self->markClosed()) self->shutDown("write failed: " + error.message(), true);
                             });
}

bool StreamConnection::refuses(std::size_t bytes) {
    if (pendingBytes_ > limits_.refuseAbove) return true;
    return limits_.sharedBudget && !limits_.sharedBudget->take(bytes);
}

void StreamConnection::release(std::size_t bytes) {
    pendingBytes_ -= bytes;
    if (limits_.sharedBudget) limits_.sharedBudget->giveBack(bytes);
    if (!readingPaused_ || closed_ || pendingBytes_ > limits_.pauseReadingAbove / 2) return;
    readingPaused_ = false;
    boost::asio::post(socket_.get_executor(), [self = shared_from_this()] { self->readMore(); });
}

void StreamConnection::disconnectUnread() {
    if (!markClosed()) return;
    FOUNDATION_LOG(connectionLogger(), kError) << "Disconnecting \"" << partnerName() << "\": it does not read";
    boost::asio::dispatch(socket_.get_executor(), [self = shared_from_this()] {
        self->shutDown("it does not read what is sent to it", true);
    });
}

bool StreamConnection::receiveWithoutWaiting(boost::system::error_code& error, std::size_t& received) {
    const ssize_t got = ::recv(descriptor_, readBuffer_.data(), readBuffer_.size(), MSG_DONTWAIT);
    if (got > 0) {
        received = static_cast<std::size_t>(got);
        return true;
    }
    if (got == 0) {
        error = boost::asio::error::eof;
        return true;
    }
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return false;
    error = boost::system::error_code(errno, boost::system::system_category());
    return true;
}

bool StreamConnection::inputWaiting() const {
    pollfd socket{descriptor_, POLLIN, 0};
    return ::poll(&socket, 1, 0) != 0;
}

void StreamConnection::readMore() {
    // A partner often answers within microseconds: reading its next bytes here, after a brief look for them,
    // spares the reactor's wake-up. After a few reads the thread's other work gets its turn before reading on.
    constexpr int kDirectReads = 8;
    for (int read = 0; read < kDirectReads; ++read) {
        // Where another connection is being read, or looking does not pay, the reactor's own first read finds
        // input already there.
        if (readConnections.several(std::chrono::steady_clock::now()) || !inputLook_.begin()) return awaitInput();
        boost::system::error_code error;
        std::size_t received = 0;
        // Asking whether input is there leaves the socket's queue to the partner's writer, where a read would
        // contend with it; the read comes once there is input.
        bool asked = false;
        const bool found = inputLook_.look([&] {
            if (closed_) return true;
            if (asked && !inputWaiting()) return false;
            asked = true;
            return receiveWithoutWaiting(error, received);
        });
        if (!found) return awaitInput();
        inputLook_.found();
        if (closed_ || !takeInput(error, received)) return;
    }
    boost::asio::post(socket_.get_executor(), [self = shared_from_this()] { self->readMore(); });
}

void StreamConnection::awaitInput() {
    if (closed_) return;
    socket_.async_read_some(boost::asio::buffer(readBuffer_), [self = shared_from_this()](
                                                                  const boost::system::error_code& error,
                                                                  std::size_t received) {
        self->inputLook_.found();
        if (self->takeInput(error, received)) self->readMore();
    });
}

bool StreamConnection::takeInput(const boost::system::error_code& error, std::size_t received) {
    if (error) {
        if (markClosed())
            shutDown(error == boost::asio::error::eof ? "the partner closed the connection"
                                                      : "read failed: " + error.message(),
                     true);
        return false;
    }
    readConnections.readFrom(this, std::chrono::steady_clock::now());
    try {
        reader_.append(std::string_view(readBuffer_.data(), received));
        for (;;) {
            // Each frame is made in the arena over the one before, so that reading reuses the same memory.
            frameArena_.Reset();
            auto* frame = google::protobuf::Arena::CreateMessage<wire::Frame>(&frameArena_);
            if (!reader_.next(*frame)) break;
            handleFrame(*frame);
            if (closed_) return false;
        }
        frameArena_.Reset();
    } catch (const std::exception& failure) {
        FOUNDATION_LOG(connectionLogger(), kError)
            << "Closing the connection to \"" << partnerName() << "\": " << failure.what();
        if (markClosed()) shutDown(failure.what(), true);
        return false;
    }
    std::lock_guard lock(mutex_);
    readingPaused_ = pendingBytes_ > limits_.pauseReadingAbove;
    return !readingPaused_;
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
            RouteInfo{Address(partner_, ""), Address(exchange_->localName(), frame.service()), !frame.no_reply()},
            frame.id());
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
        release(outbox_.size());
        outbox_.clear();
        partner = partnerName_;
    }
    if (!partner.empty()) exchange_->detachPartnerLink(partner, shared_from_this());
    return true;
}

void StreamConnection::shutDown(const std::string& reason, bool fail) {
    {
        // No new write starts once closed; one under way on another thread uses the descriptor until it returns.
        std::unique_lock lock(mutex_);
        directSendDone_.wait(lock, [this] { return !sendingDirectly_; });
    }
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
