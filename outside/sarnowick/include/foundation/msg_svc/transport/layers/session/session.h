#pragma once

#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include <boost/shared_ptr.hpp>

namespace foundation::io {
class IOServiceThreadpool;
}
namespace foundation::msg_svc::exchange {
class DefaultExchange;
class StreamConnection;
}  // namespace foundation::msg_svc::exchange

namespace foundation::msg_svc::transport::layers::session {

class Session;

namespace testing {
boost::shared_ptr<Session> makeAttachedSession(std::string partnerName);
boost::shared_ptr<Session> makeSession(boost::shared_ptr<io::IOServiceThreadpool> threadPool,
                                       boost::shared_ptr<exchange::DefaultExchange> exchange);
}  // namespace testing

// The session between this process and the client that started it: a stream socket to the client,
// over which the process-wide exchange reaches the client by its name.
class Session {
public:
    using Callback = std::function<void()>;

    // The one session type: this process attaches to the client that started it.
    static constexpr int kClientSession = 1;
    // The one handle type: the handle value is the path of the client's Unix-domain stream socket.
    static constexpr const char* kNamedPipeHandle = "NamedPipeHandle";

    // A session of the given type (only kClientSession) on the pool's I/O threads; name labels its log
    // records. Throws std::invalid_argument for another type or an empty pool.
    static boost::shared_ptr<Session> create(int type, boost::shared_ptr<io::IOServiceThreadpool> threadPool,
                                             const std::string& name);

    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    // Terminates the session.
    ~Session();

    // Connects to the client's socket, exchanges handshakes of the session protocol and routes the
    // client's name through the exchange. onConnectionEnded runs once, on an I/O thread, when the client
    // ends the connection (not after terminate); onAttached runs once the handshake is done. Either may
    // be empty. Returns true once attached. Throws std::logic_error before SessionProtocol::init or when
    // already attached, std::invalid_argument for another handle type, and std::runtime_error when the
    // socket cannot be reached or the client does not complete the handshake.
    bool attachToParentClient(const std::string& handleType, const std::string& handleValue,
                              Callback onConnectionEnded, Callback onAttached);

    // The exchange name of the attached client. Throws std::runtime_error while not attached.
    std::string partnerName() const;

    // What a terminate did.
    struct TerminateResult {
        // A connection to the client was open and has been ended.
        bool connectionEnded = false;
    };

    // Ends the connection to the client without running the attach callbacks; later sends to it fail.
    boost::shared_ptr<const TerminateResult> terminate();

private:
    friend boost::shared_ptr<Session> testing::makeAttachedSession(std::string partnerName);
    friend boost::shared_ptr<Session> testing::makeSession(boost::shared_ptr<io::IOServiceThreadpool> threadPool,
                                                          boost::shared_ptr<exchange::DefaultExchange> exchange);
    struct Attachment;

    Session();
    Session(boost::shared_ptr<io::IOServiceThreadpool> threadPool,
            boost::shared_ptr<exchange::DefaultExchange> exchange, std::string name);
    void setPartnerName(std::string partnerName);

    boost::shared_ptr<io::IOServiceThreadpool> threadPool_;
    boost::shared_ptr<exchange::DefaultExchange> exchange_;
    std::string name_;

    mutable std::mutex mutex_;
    std::optional<std::string> partnerName_;
    std::shared_ptr<Attachment> attachment_;
};

}  // namespace foundation::msg_svc::transport::layers::session
