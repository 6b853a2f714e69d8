#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "foundation/msg_svc/exchange/default_exchange.h"
#include "foundation/msg_svc/exchange/message.h"

namespace foundation::io {
class IOServiceThreadpool;
}
namespace foundation::msg_svc::exchange {
class StreamConnection;
}
namespace cef::transport {
class CEFServerTransportListener;
}

namespace veltrane_host {

// One side of the browser window protocol on the exchange, in a process of its own making: an exchange of its
// own name that answers and keeps every message sent to its browser window service.
class ExchangeEndpoint {
public:
    struct Received {
        std::string sender;
        foundation::msg_svc::exchange::IDType messageId = 0;
        boost::shared_ptr<const foundation::msg_svc::exchange::Message> message;
    };

    // ioThreads: the threads that read and write its connections.
    explicit ExchangeEndpoint(const std::string& name, std::size_t ioThreads = 2);
    virtual ~ExchangeEndpoint();
    ExchangeEndpoint(const ExchangeEndpoint&) = delete;
    ExchangeEndpoint& operator=(const ExchangeEndpoint&) = delete;

    const std::string& name() const;
    // The partner this side speaks to: the browser-window host once it has connected.
    std::optional<std::string> partner() const;
    bool waitForPartner(std::chrono::milliseconds timeout);

    // Sends a message to the partner's browser window service; true once its reply has come.
    bool command(const boost::shared_ptr<const foundation::msg_svc::exchange::Message>& message,
                 std::chrono::milliseconds timeout);

    // Sends a message to the partner's browser window service without waiting; onReply runs on an I/O thread
    // when its reply comes. Throws std::runtime_error without a partner or when the send fails.
    void send(const boost::shared_ptr<const foundation::msg_svc::exchange::Message>& message,
              foundation::msg_svc::exchange::ExchangeApi::ReplyCallback onReply);

    // From now on every message is handed to the observer, on an I/O thread and under this endpoint's lock, and no
    // longer kept: for a host that hears more than it may keep.
    void observe(std::function<void(const Received&)> observer);

    std::vector<Received> received() const;
    // Waits until the received messages satisfy the predicate; false on timeout.
    bool waitFor(const std::function<bool(const std::vector<Received>&)>& done, std::chrono::milliseconds timeout);
    // True once the partner's connection has ended.
    bool partnerGone() const;
    bool waitForPartnerGone(std::chrono::milliseconds timeout);

protected:
    void partnerConnected(const std::string& partner);
    void partnerEnded();

    class Inbox;
    boost::shared_ptr<foundation::io::IOServiceThreadpool> pool_;
    boost::shared_ptr<foundation::msg_svc::exchange::DefaultExchange> exchange_;
    boost::shared_ptr<Inbox> inbox_;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<std::string> partner_;
    bool partnerGone_ = false;
    std::function<void(const Received&)> observer_;
};

// The program that starts the browser-window host: it listens on a socket whose path it gives the host after
// "-NamedPipeHandle", and the host connects to it.
class ExchangeHost : public ExchangeEndpoint {
public:
    // Listens on a new socket path in the temporary folder.
    explicit ExchangeHost(std::size_t ioThreads = 2);
    ~ExchangeHost() override;

    const std::string& socketPath() const { return socketPath_; }
    // Ends the connection to the browser-window host and stops listening.
    void close();

private:
    std::string socketPath_;
    boost::shared_ptr<cef::transport::CEFServerTransportListener> listener_;
};

// A further peer that connects to the socket the browser-window host listens on ("listen").
class ExchangePeer : public ExchangeEndpoint {
public:
    // Throws std::runtime_error when the socket cannot be reached.
    ExchangePeer(const std::string& name, const std::string& socketPath);
    ~ExchangePeer() override;

    void close();

private:
    boost::shared_ptr<foundation::msg_svc::exchange::StreamConnection> connection_;
};

// A socket path in the temporary folder that no one uses yet.
std::string freshSocketPath(const std::string& stem);

}  // namespace veltrane_host
