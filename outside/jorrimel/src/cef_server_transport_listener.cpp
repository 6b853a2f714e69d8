#include "cef/transport/cef_server_transport_listener.h"

#include <filesystem>
#include <stdexcept>

#include <boost/asio/dispatch.hpp>
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

class CEFServerTransportListener::Peer : public CEFServerTransportAPI {
public:
    std::string name() const override { return connection ? connection->partnerName() : std::string(); }
    void close() override {
        if (connection) connection->close();
    }

    IDType id = 0;
    boost::shared_ptr<StreamConnection> connection;
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
            auto acceptor = std::make_shared<Acceptor>(boost::asio::make_strand(context_));
            acceptor->open();
            acceptor->bind(Endpoint(path));
            acceptor->listen();
            acceptors_.push_back(std::move(acceptor));
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
    {
        std::lock_guard lock(mutex_);
        if (closed_) return;
        onConnected_ = std::move(onConnected);
        onDisconnected_ = std::move(onDisconnected);
        onFailed_ = std::move(onFailed);
        if (accepting_) return;
        accepting_ = true;
        for (const auto& acceptor : acceptors_) accept(acceptor);
    }
}

void CEFServerTransportListener::close() {
    std::set<std::shared_ptr<Peer>> peers;
    std::vector<std::shared_ptr<Acceptor>> acceptors;
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
    for (const auto& acceptor : acceptors) {
        // On the acceptor's strand, clear of an accept under way.
        boost::asio::dispatch(acceptor->get_executor(), [acceptor] {
            boost::system::error_code ignored;
            acceptor->close(ignored);
        });
    }
    removeSocketFiles(boundPaths);
    for (const auto& peer : peers) peer->close();
}

void CEFServerTransportListener::accept(const std::shared_ptr<Acceptor>& acceptor) {
    acceptor->async_accept(boost::asio::make_strand(context_),
                          [self = shared_from_this(), acceptor](const boost::system::error_code& error,
                                                                StreamConnection::Socket socket) {
                              if (error == boost::asio::error::operation_aborted) return;
                              if (error) {
                                  self->ended(nullptr, "accepting a peer failed: " + error.message());
                              } else {
                                  self->admit(std::move(socket));
                              }
                              std::lock_guard lock(self->mutex_);
                              if (!self->closed_) self->accept(acceptor);
                          });
}

void CEFServerTransportListener::admit(StreamConnection::Socket socket) {
    auto peer = std::make_shared<Peer>();
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
        peers_.insert(peer);
    }
    peer->connection->start();
}

bool CEFServerTransportListener::handshaken(const std::shared_ptr<Peer>& peer, const std::string& name) {
    const bool attached = exchange_->attachNewPartner(name, peer->connection);
    PeerConnected onConnected;
    {
        std::lock_guard lock(mutex_);
        if (!attached) peers_.erase(peer);
        onConnected = onConnected_;
    }
    FOUNDATION_LOG(listenerLogger(), kDetail) << (attached ? "Peer connected: \"" : "Peer refused, its name is taken: \"")
                                              << name << "\"";
    if (onConnected) onConnected(name, peer->id, peer, !attached);
    return attached;
}

void CEFServerTransportListener::ended(const std::shared_ptr<Peer>& peer, const std::string& reason) {
    bool wasAdmitted = false;
    PeerDisconnected onDisconnected;
    ConnectionFailed onFailed;
    {
        std::lock_guard lock(mutex_);
        if (peer) wasAdmitted = peers_.erase(peer) > 0;
        onDisconnected = onDisconnected_;
        onFailed = onFailed_;
    }
    const bool handshaken = peer && !peer->name().empty();
    if (!handshaken) FOUNDATION_LOG(listenerLogger(), kError) << "Peer connection failed: " << reason;
    if (handshaken && wasAdmitted) {
        if (onDisconnected) onDisconnected(peer);
    } else if (!handshaken && onFailed) {
        onFailed(reason);
    }
}

}  // namespace cef::transport
