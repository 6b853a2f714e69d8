#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include <boost/asio/local/stream_protocol.hpp>
#include <boost/enable_shared_from_this.hpp>
#include <boost/shared_ptr.hpp>

#include "cef/transport/cef_server_transport_api.h"
#include "foundation/msg_svc/exchange/default_exchange.h"
#include "foundation/msg_svc/exchange/message.h"
#include "foundation/msg_svc/exchange/stream_connection.h"

namespace foundation::io {
class IOServiceThreadpool;
}

namespace cef::transport {

// Accepts peers on Unix-domain stream sockets and routes each through the exchange by its name.
//
// A peer that has not handshaken within kHandshakeDeadline is disconnected; while kMaxAwaitingHandshake
// peers await their handshake, further ones wait in the socket's backlog. A failed accept is retried after a
// pause that doubles up to kLongestRetry, and logged once until an accept succeeds again.
class CEFServerTransportListener : public boost::enable_shared_from_this<CEFServerTransportListener> {
public:
    using IDType = foundation::msg_svc::exchange::IDType;
    static constexpr std::chrono::seconds kHandshakeDeadline{5};
    static constexpr std::size_t kMaxAwaitingHandshake = 64;
    static constexpr std::chrono::milliseconds kFirstRetry{10};
    static constexpr std::chrono::milliseconds kLongestRetry{1000};
    // After a peer's handshake. refused is true when a partner of that name is reached already: the new
    // connection is then closed right after the call.
    using PeerConnected = std::function<void(const std::string& name, IDType id,
                                             std::shared_ptr<CEFServerTransportAPI> peer, bool refused)>;
    // When an accepted peer ends its connection or the connection fails.
    using PeerDisconnected = std::function<void(std::shared_ptr<CEFServerTransportAPI> peer)>;
    // When accepting fails (once until it succeeds again), or a connection fails before its handshake.
    using ConnectionFailed = std::function<void(const std::string& reason)>;

    // The pool must outlive the listener; pending accepts hold the listener, so holding the pool here
    // would keep both alive for ever. Every peer's connection gets the limits.
    CEFServerTransportListener(foundation::io::IOServiceThreadpool& threadPool,
                               boost::shared_ptr<foundation::msg_svc::exchange::DefaultExchange> exchange,
                               foundation::msg_svc::exchange::HandshakeInfo local, const std::vector<std::string>& paths,
                               foundation::msg_svc::exchange::OutputLimits limits = {});
    ~CEFServerTransportListener();
    CEFServerTransportListener(const CEFServerTransportListener&) = delete;
    CEFServerTransportListener& operator=(const CEFServerTransportListener&) = delete;

    // Peers are accepted from the first registration on; they wait in the socket's backlog until then.
    // Any callback may be empty.
    void registerCallbacks(PeerConnected onConnected, PeerDisconnected onDisconnected, ConnectionFailed onFailed);

    // What peers that handshake from now on may do; by default they may send.
    void setPeerRights(foundation::msg_svc::exchange::PartnerRights rights);

    // Stops accepting, ends every peer's connection and removes the socket files; no callback follows.
    void close();

    const std::vector<std::string>& paths() const { return paths_; }

private:
    class Peer;
    struct Accepting;
    using Acceptor = boost::asio::local::stream_protocol::acceptor;

    // Under mutex_.
    void accept(const std::shared_ptr<Accepting>& accepting);
    // On the acceptor's strand.
    void acceptFailed(const std::shared_ptr<Accepting>& accepting, const boost::system::error_code& error);
    void acceptSucceeded(const std::shared_ptr<Accepting>& accepting);
    void admit(foundation::msg_svc::exchange::StreamConnection::Socket socket);
    bool handshaken(const std::shared_ptr<Peer>& peer, const std::string& name);
    void ended(const std::shared_ptr<Peer>& peer, const std::string& reason);
    void handshakeOverdue(const std::shared_ptr<Peer>& peer);
    // Closes a peer that has not handshaken, and tells why.
    void refuse(const std::shared_ptr<Peer>& peer, const std::string& reason);
    // Forgets a peer closed from this side.
    void forget(const std::shared_ptr<Peer>& peer);
    // Under mutex_: the peer no longer awaits its handshake; accepting resumes when it was held back.
    void settle(Peer& peer);

    boost::asio::io_context& context_;
    const boost::shared_ptr<foundation::msg_svc::exchange::DefaultExchange> exchange_;
    const foundation::msg_svc::exchange::HandshakeInfo local_;
    const std::vector<std::string> paths_;
    const foundation::msg_svc::exchange::OutputLimits limits_;

    std::mutex mutex_;
    bool accepting_ = false;
    bool closed_ = false;
    IDType nextPeerId_ = 1;
    foundation::msg_svc::exchange::PartnerRights peerRights_ = foundation::msg_svc::exchange::PartnerRights::sendAndHear;
    std::size_t awaitingHandshake_ = 0;
    PeerConnected onConnected_;
    PeerDisconnected onDisconnected_;
    ConnectionFailed onFailed_;
    std::vector<std::shared_ptr<Accepting>> acceptors_;
    std::vector<std::string> boundPaths_;  // the socket files this listener made
    std::set<std::shared_ptr<Peer>> peers_;
};

}  // namespace cef::transport
