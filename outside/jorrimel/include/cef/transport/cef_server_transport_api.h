#pragma once

#include <string>

namespace cef::transport {

// A peer connected to a listener; the exchange reaches it by its name.
class CEFServerTransportAPI {
public:
    virtual ~CEFServerTransportAPI() = default;
    // The exchange name the peer gave in its handshake.
    virtual std::string name() const = 0;
    // Ends the connection to the peer.
    virtual void close() = 0;
};

}  // namespace cef::transport
