#pragma once

#include <mutex>
#include <optional>
#include <string>

#include <boost/shared_ptr.hpp>

namespace foundation::msg_svc::transport::layers::session {

class Session;

namespace testing {
boost::shared_ptr<Session> makeAttachedSession(std::string partnerName);
}

// The session between this process and the client that started it.
class Session {
public:
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    ~Session();

    // The exchange name of the attached client. Throws std::runtime_error while not attached.
    std::string partnerName() const;

private:
    friend boost::shared_ptr<Session> testing::makeAttachedSession(std::string partnerName);

    Session();
    void setPartnerName(std::string partnerName);

    mutable std::mutex mutex_;
    std::optional<std::string> partnerName_;
};

}  // namespace foundation::msg_svc::transport::layers::session
