#pragma once

#include <cstdint>
#include <iosfwd>

namespace foundation::msg_svc::exchange {

// Identifies one sent message; replies name the message they answer.
using IDType = std::uint64_t;

// Anything that travels through the exchange.
class Message {
public:
    virtual ~Message() = default;
    // Writes a readable form of the message, indented by indent blanks.
    virtual void toString(std::ostream& stream, int indent) const = 0;
};

}  // namespace foundation::msg_svc::exchange
