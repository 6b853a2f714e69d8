#pragma once

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
#include "foundation/msg_svc/exchange/message.h"
#include "foundation/msg_svc/exchange/stream_connection.h"

namespace foundation::io {
class IOServiceThreadpool;
}

namespace cef::transport {

// Accepts peers on Unix-domain stream sockets and routes each through the exchange by its name.
class CEFServerTransportListener : public boost::enable_shared_from_this<CEFServerTransportListener> {
public:
    using IDType = foundation::msg_svc::exchange::IDType;
    // After a peer's handshake. refused is true when a partner of that name is reached already: the new
    // connection is then closed right after the call.
    using PeerConnected = std::function<void(const std::string& name, IDType id,
                                             std::shared_ptr<CEFServerTransportAPI> peer, bool refused)>;
    // When an accepted peer ends its connection or the connection fails.
    using PeerDisconnected = std::function<void(std::shared_ptr<CEFServerTransportAPI> peer)>;
    // When accepting fails, or a connection fails before its handshake.
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

    // Stops accepting, ends every peer's connection and removes the socket files; no callback follows.
    void close();

    const std::vector<std::string>& paths() const { return paths_; }

private:
    class Peer;
    using Acceptor = boost::asio::local::stream_protocol::acceptor;

    void accept(const std::shared_ptr<Acceptor>& acceptor);
    void admit(foundation::msg_svc::exchange::StreamConnection::Socket socket);
    bool handshaken(const std::shared_ptr<Peer>& peer, const std::string& name);
    void ended(const std::shared_ptr<Peer>& peer, const std::string& reason);

    boost::asio::io_context& context_;
    const boost::shared_ptr<foundation::msg_svc::exchange::DefaultExchange> exchange_;
    const foundation::msg_svc::exchange::HandshakeInfo local_;
    const std::vector<std::string> paths_;
    const foundation::msg_svc::exchange::OutputLimits limits_;

    std::mutex mutex_;
    bool accepting_ = false;
    bool closed_ = false;
    IDType nextPeerId_ = 1;
    PeerConnected onConnected_;
    PeerDisconnected onDisconnected_;
    ConnectionFailed onFailed_;
    std::vector<std::shared_ptr<Acceptor>> acceptors_;
    std::vector<std::string> boundPaths_;  // the socket files this listener made
    std::set<std::shared_ptr<Peer>> peers_;
};

}  // namespace cef::transport
