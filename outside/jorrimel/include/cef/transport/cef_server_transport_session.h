#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "cef/transport/cef_server_transport_listener.h"

namespace cef::transport {

class CEFServerTransportSession;

namespace testing {
boost::shared_ptr<CEFServerTransportSession> createSession(
    boost::shared_ptr<foundation::msg_svc::exchange::DefaultExchange> exchange);
}

// Makes listeners for further peers of this process on the process-wide exchange. Peers only listen, so one that
// does not read what is sent to it is disconnected rather than let to hold memory or anyone up.
class CEFServerTransportSession {
public:
    // A peer with more than this unwritten is disconnected...
    static constexpr std::size_t kMaxPeerPendingBytes = 1024 * 1024;
    // ... and so is the peer whose frame finds more than this unwritten for all peers together.
    static constexpr std::size_t kMaxPeersPendingBytes = 32 * 1024 * 1024;

    static boost::shared_ptr<CEFServerTransportSession> create();

    CEFServerTransportSession(const CEFServerTransportSession&) = delete;
    CEFServerTransportSession& operator=(const CEFServerTransportSession&) = delete;
    ~CEFServerTransportSession();

    // The pool the listeners run on and the protocol name and version key peers must announce. Throws
    // std::invalid_argument for an empty pool, name or key.
    void init(boost::shared_ptr<foundation::io::IOServiceThreadpool> threadPool, const std::string& protocolName,
              const std::string& versionKey);
    // Closes every listener made so far.
    void terminate();
    // Listens on each path, a Unix-domain socket made anew (a stale socket file left by an ended
    // process is replaced; one that a live listener holds is not). Throws std::logic_error before init
    // and std::runtime_error when a path cannot be listened on.
    boost::shared_ptr<CEFServerTransportListener> listen(const std::vector<std::u16string>& endpoints);

private:
    friend boost::shared_ptr<CEFServerTransportSession> testing::createSession(
        boost::shared_ptr<foundation::msg_svc::exchange::DefaultExchange> exchange);

    explicit CEFServerTransportSession(boost::shared_ptr<foundation::msg_svc::exchange::DefaultExchange> exchange);

    const boost::shared_ptr<foundation::msg_svc::exchange::DefaultExchange> exchange_;
    std::mutex mutex_;
    boost::shared_ptr<foundation::io::IOServiceThreadpool> threadPool_;
    std::optional<foundation::msg_svc::exchange::HandshakeInfo> local_;
    std::vector<boost::shared_ptr<CEFServerTransportListener>> listeners_;
    const std::shared_ptr<foundation::msg_svc::exchange::OutputBudget> peersBudget_;
};

}  // namespace cef::transport
