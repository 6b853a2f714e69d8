#include "cef/transport/cef_server_transport_listener.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include <boost/asio/dispatch.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/strand.hpp>

#include "foundation/io/io_service_threadpool.h"
#include "foundation/log/diagnostic_logger.h"

namespace cef::transport {
namespace {

using foundation::msg_svc::exchange::StreamConnection;
using Endpoint = boost::asio::local::stream_protocol::endpoint;

constexpr foundation::log::severity_t kDetail = 4;
constexpr foundation::log::severity_t kError = 256;

foundation::log::diagnostic_logger& listenerLogger() {
    static foundation::log::diagnostic_logger logger("cef::transport::CEFServerTransportListener");
    return logger;
}

// A socket file that no one accepts on is left from an ended process and may be replaced.
void removeStaleSocket(boost::asio::io_context& context, const std::string& path) {
    std::error_code status;
    if (!std::filesystem::is_socket(std::filesystem::symlink_status(path, status))) return;
    boost::asio::local::stream_protocol::socket probe(context);
    boost::system::error_code refused;
    probe.connect(Endpoint(path), refused);
    if (!refused) throw std::runtime_error("\"" + path + "\" is held by a live listener");
    std::filesystem::remove(path, status);
}

void removeSocketFiles(const std::vector<std::string>& paths) {
    for (const auto& path : paths) {
        std::error_code ignored;
        if (std::filesystem::is_socket(std::filesystem::symlink_status(path, ignored)))
            std::filesystem::remove(path, ignored);
    }
}

}  // namespace

class CEFServerTransportListener::Peer : public CEFServerTransportAPI, public std::enable_shared_from_this<Peer> {
public:
    Peer(const StreamConnection::Socket::executor_type& strand, boost::weak_ptr<CEFServerTransportListener> listener)
        : handshakeDeadline(strand), listener_(std::move(listener)) {}

    std::string name() const override { return connection ? connection->partnerName() : std::string(); }
    void close() override {
        if (connection) connection->close();
        if (auto listener = listener_.lock()) listener->forget(shared_from_this());
    }

    IDType id = 0;
    boost::shared_ptr<StreamConnection> connection;
    boost::asio::steady_timer handshakeDeadline;  // on the connection's strand
    bool awaitingHandshake = false;               // under the listener's mutex

private:
    const boost::weak_ptr<CEFServerTransportListener> listener_;
};

// One listening socket and its retries, on one strand.
struct CEFServerTransportListener::Accepting {
    explicit Accepting(boost::asio::io_context& context)
        : acceptor(boost::asio::make_strand(context)), retry(acceptor.get_executor()) {}

    Acceptor acceptor;
    boost::asio::steady_timer retry;
    std::chrono::milliseconds backoff{0};  // strand only; zero while accepts succeed
    bool heldBack = false;                 // under the listener's mutex: too many peers await their handshake
};

CEFServerTransportListener::CEFServerTransportListener(
    foundation::io::IOServiceThreadpool& threadPool,
    boost::shared_ptr<foundation::msg_svc::exchange::DefaultExchange> exchange,
    foundation::msg_svc::exchange::HandshakeInfo local, const std::vector<std::string>& paths,
    foundation::msg_svc::exchange::OutputLimits limits)
    : context_(threadPool.ioContext()),
      exchange_(std::move(exchange)),
      local_(std::move(local)),
      paths_(paths),
      limits_(std::move(limits)) {
    if (paths_.empty()) throw std::invalid_argument("a listener needs at least one socket path");
    for (const auto& path : paths_) {
        try {
            removeStaleSocket(context_, path);
            auto accepting = std::make_shared<Accepting>(context_);
            accepting->acceptor.open();
            accepting->acceptor.bind(Endpoint(path));
            accepting->acceptor.listen();
            acceptors_.push_back(std::move(accepting));
            boundPaths_.push_back(path);
        } catch (const std::exception& failure) {
            close();
            throw std::runtime_error("cannot listen on \"" + path + "\": " + failure.what());
        }
    }
}

CEFServerTransportListener::~CEFServerTransportListener() {
    // Reached without close only when the pool's context is going away with its handlers: the acceptors
    // go with it, and only the socket files are left to remove.
    removeSocketFiles(boundPaths_);
}

void CEFServerTransportListener::registerCallbacks(PeerConnected onConnected, PeerDisconnected onDisconnected,
                                                   ConnectionFailed onFailed) {
    std::lock_guard lock(mutex_);
    if (closed_) return;
    onConnected_ = std::move(onConnected);
    onDisconnected_ = std::move(onDisconnected);
    onFailed_ = std::move(onFailed);
    if (accepting_) return;
    accepting_ = true;
    for (const auto& accepting : acceptors_) accept(accepting);
}

void CEFServerTransportListener::setPeerRights(foundation::msg_svc::exchange::PartnerRights rights) {
    std::lock_guard lock(mutex_);
    peerRights_ = rights;
}

void CEFServerTransportListener::close() {
    std::set<std::shared_ptr<Peer>> peers;
    std::vector<std::shared_ptr<Accepting>> acceptors;
    std::vector<std::string> boundPaths;
    {
        std::lock_guard lock(mutex_);
        if (closed_) return;
        closed_ = true;
        peers.swap(peers_);
        acceptors.swap(acceptors_);
        boundPaths.swap(boundPaths_);
        onConnected_ = nullptr;
        onDisconnected_ = nullptr;
        onFailed_ = nullptr;
    }
    for (const auto& accepting : acceptors) {
        // On the acceptor's strand, clear of an accept or a retry under way.
        boost::asio::dispatch(accepting->acceptor.get_executor(), [accepting] {
            boost::system::error_code ignored;
            accepting->acceptor.close(ignored);
            accepting->retry.cancel();
        });
    }
    removeSocketFiles(boundPaths);
    for (const auto& peer : peers) {
        if (peer->connection) peer->connection->close();
    }
}

void CEFServerTransportListener::accept(const std::shared_ptr<Accepting>& accepting) {
    if (closed_) return;
    if (awaitingHandshake_ >= kMaxAwaitingHandshake) {
        accepting->heldBack = true;
        return;
    }
    accepting->acceptor.async_accept(
        boost::asio::make_strand(context_),
        [self = shared_from_this(), accepting](const boost::system::error_code& error, StreamConnection::Socket socket) {
            if (error == boost::asio::error::operation_aborted) return;
            if (error) {
                self->acceptFailed(accepting, error);
                return;
            }
            self->acceptSucceeded(accepting);
            self->admit(std::move(socket));
            std::lock_guard lock(self->mutex_);
            self->accept(accepting);
        });
}

void CEFServerTransportListener::acceptFailed(const std::shared_ptr<Accepting>& accepting,
                                              const boost::system::error_code& error) {
    const bool firstOfEpisode = accepting->backoff.count() == 0;
    accepting->backoff = firstOfEpisode ? kFirstRetry : std::min(accepting->backoff * 2, kLongestRetry);
    if (firstOfEpisode) {
        const std::string reason = "accepting a peer failed: " + error.message();
        FOUNDATION_LOG(listenerLogger(), kError) << "Peer connection failed: " << reason << "; retrying";
        ConnectionFailed onFailed;
        {
            std::lock_guard lock(mutex_);
            onFailed = onFailed_;
        }
        if (onFailed) onFailed(reason);
    }
    accepting->retry.expires_after(accepting->backoff);
    accepting->retry.async_wait([self = shared_from_this(), accepting](const boost::system::error_code& cancelled) {
        if (cancelled) return;
        std::lock_guard lock(self->mutex_);
        self->accept(accepting);
    });
}

void CEFServerTransportListener::acceptSucceeded(const std::shared_ptr<Accepting>& accepting) {
    if (accepting->backoff.count() == 0) return;
    accepting->backoff = std::chrono::milliseconds(0);
    FOUNDATION_LOG(listenerLogger(), kDetail) << "Accepting peers again";
}

void CEFServerTransportListener::admit(StreamConnection::Socket socket) {
    auto peer = std::make_shared<Peer>(socket.get_executor(), weak_from_this());
    std::weak_ptr<Peer> weakPeer = peer;
    boost::weak_ptr<CEFServerTransportListener> weakSelf = shared_from_this();
    peer->connection = StreamConnection::create(
        std::move(socket), exchange_, local_,
        [weakSelf, weakPeer](const std::string& name) {
            auto self = weakSelf.lock();
            auto peer = weakPeer.lock();
            return self && peer && self->handshaken(peer, name);
        },
        [weakSelf, weakPeer](const std::string& reason) {
            if (auto self = weakSelf.lock()) self->ended(weakPeer.lock(), reason);
        },
        limits_);
    {
        std::lock_guard lock(mutex_);
        if (closed_) return;
        peer->id = nextPeerId_++;
        peer->awaitingHandshake = true;
        ++awaitingHandshake_;
        peers_.insert(peer);
    }
    peer->handshakeDeadline.expires_after(kHandshakeDeadline);
    peer->handshakeDeadline.async_wait([weakSelf, weakPeer](const boost::system::error_code& cancelled) {
        auto self = weakSelf.lock();
        auto peer = weakPeer.lock();
        if (!cancelled && self && peer) self->handshakeOverdue(peer);
    });
    try {
        peer->connection->start();
    } catch (const std::exception& refused) {
        // Our handshake was refused, as the peers' output budget is spent: this connection alone ends. One that
        // ended for it already tells us so through its close handler.
        if (peer->connection->isOpen()) refuse(peer, std::string("cannot send the handshake: ") + refused.what());
    }
}

bool CEFServerTransportListener::handshaken(const std::shared_ptr<Peer>& peer, const std::string& name) {
    foundation::msg_svc::exchange::PartnerRights rights;
    {
        std::lock_guard lock(mutex_);
        rights = peerRights_;
    }
    const bool attached = exchange_->attachNewPartner(name, peer->connection, rights);
    PeerConnected onConnected;
    {
        std::lock_guard lock(mutex_);
        if (!attached) peers_.erase(peer);
        settle(*peer);
        onConnected = onConnected_;
    }
    peer->handshakeDeadline.cancel();
    FOUNDATION_LOG(listenerLogger(), kDetail) << (attached ? "Peer connected: \"" : "Peer refused, its name is taken: \"")
                                              << name << "\"";
    if (onConnected) onConnected(name, peer->id, peer, !attached);
    return attached;
}

void CEFServerTransportListener::ended(const std::shared_ptr<Peer>& peer, const std::string& reason) {
    if (!peer) return;
    bool wasAdmitted = false;
    PeerDisconnected onDisconnected;
    ConnectionFailed onFailed;
    {
        std::lock_guard lock(mutex_);
        wasAdmitted = peers_.erase(peer) > 0;
        settle(*peer);
        onDisconnected = onDisconnected_;
        onFailed = onFailed_;
    }
    const bool handshaken = !peer->name().empty();
    if (!handshaken) FOUNDATION_LOG(listenerLogger(), kError) << "Peer connection failed: " << reason;
    if (handshaken && wasAdmitted) {
        if (onDisconnected) onDisconnected(peer);
    } else if (!handshaken && onFailed) {
        onFailed(reason);
    }
}

void CEFServerTransportListener::handshakeOverdue(const std::shared_ptr<Peer>& peer) {
    if (!peer->name().empty()) return;
    refuse(peer, "no handshake within " + std::to_string(kHandshakeDeadline.count()) + " s");
}

void CEFServerTransportListener::refuse(const std::shared_ptr<Peer>& peer, const std::string& reason) {
    FOUNDATION_LOG(listenerLogger(), kError) << "Peer connection failed: " << reason;
    ConnectionFailed onFailed;
    {
        std::lock_guard lock(mutex_);
        onFailed = onFailed_;
    }
    peer->close();
    if (onFailed) onFailed(reason);
}

void CEFServerTransportListener::forget(const std::shared_ptr<Peer>& peer) {
    std::lock_guard lock(mutex_);
    peers_.erase(peer);
    settle(*peer);
}

void CEFServerTransportListener::settle(Peer& peer) {
    if (!peer.awaitingHandshake) return;
    peer.awaitingHandshake = false;
    --awaitingHandshake_;
    for (const auto& accepting : acceptors_) {
        if (!accepting->heldBack) continue;
        accepting->heldBack = false;
        boost::asio::post(accepting->acceptor.get_executor(), [self = shared_from_this(), accepting] {
            std::lock_guard lock(self->mutex_);
            self->accept(accepting);
        });
    }
}

}  // namespace cef::transport
