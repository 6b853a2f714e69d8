#pragma once

#include <string>

namespace foundation::msg_svc::transport::layers::session {

// The protocol name and version key that sessions announce in their handshake; a partner announcing
// others is refused.
class SessionProtocol {
public:
    // Throws std::invalid_argument for an empty name or key. A later call replaces both.
    static void init(const std::string& protocolName, const std::string& versionKey);
    static bool initialised();
    // Throw std::logic_error before init.
    static std::string protocolName();
    static std::string versionKey();
};

}  // namespace foundation::msg_svc::transport::layers::session
