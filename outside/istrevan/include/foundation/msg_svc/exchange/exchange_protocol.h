#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <typeinfo>

#include <boost/shared_ptr.hpp>

#include "foundation/msg_svc/exchange/message.h"

namespace foundation::msg_svc::exchange {

// A type name that no registration knows: the sender speaks of a message this process cannot read.
class UnknownMessageType : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The message types that can cross to another process, each under a type name that the receiver
// decodes by.
class ExchangeProtocol {
public:
    // Writes the payload over what the string holds, keeping its room.
    using Encoder = std::function<void(const Message&, std::string& payload)>;
    // Throws std::runtime_error when the payload is not a valid record of the type.
    using Decoder = std::function<boost::shared_ptr<const Message>(const std::string& payload)>;

    // Makes the protocol ready for registrations; later calls do nothing.
    static void init();
    static bool initialised();

    // Throws std::logic_error before init. A later registration of the same type or name replaces it.
    static void registerMessageType(const std::type_info& type, const std::string& name, Encoder encoder,
                                    Decoder decoder);

    // The type name and payload of the message. Throws std::runtime_error for an unregistered type.
    static std::string typeName(const Message& message);
    static std::string encode(const Message& message);
    // Both at once, into the given strings.
    static void encode(const Message& message, std::string& typeName, std::string& payload);
    // Throws UnknownMessageType for an unregistered name, std::runtime_error for an invalid payload.
    static boost::shared_ptr<const Message> decode(const std::string& name, const std::string& payload);
};

}  // namespace foundation::msg_svc::exchange
