#pragma once

#include <functional>
#include <string>

#include <boost/shared_ptr.hpp>

#include "foundation/msg_svc/exchange/address.h"
#include "foundation/msg_svc/exchange/message.h"
#include "foundation/msg_svc/exchange/reply.h"

namespace foundation::msg_svc::exchange {

class DefaultExchange;
class MessageQueue;
class PartnerLink;

// Moves messages to the queues of services, in this process or in a partner process.
class ExchangeApi {
public:
    // Called with the reply to a sent message, on the thread that sends the reply.
    using ReplyCallback = std::function<void(const boost::shared_ptr<const Reply>&)>;

    // The process-wide exchange; the same object as defaultInstance.
    static boost::shared_ptr<ExchangeApi> instance();
    static boost::shared_ptr<DefaultExchange> defaultInstance();

    virtual ~ExchangeApi() = default;

    // This process's partner name: addresses with it reach this process's queues.
    virtual const std::string& localName() const = 0;

    // Sends the message to the destination's service. Throws std::runtime_error when the
    // destination's partner is unknown or, in this process, no queue serves the service; throws
    // what the receiving queue or partner link throws.
    virtual void send(const boost::shared_ptr<const Message>& message, const Address& destination,
                      const ReplyCallback& onReply = ReplyCallback()) = 0;

    // Messages to this process's service go to the queue; a later registration replaces it.
    virtual void registerMessageQueue(const std::string& service, const boost::shared_ptr<MessageQueue>& queue) = 0;
    virtual void unregisterMessageQueue(const std::string& service) = 0;

    // Messages to the partner go through the link; a later attachment replaces it.
    virtual void attachPartner(const std::string& partner, const boost::shared_ptr<PartnerLink>& link) = 0;
    virtual void detachPartner(const std::string& partner) = 0;

    // Hands a reply back to the sender of message messageId.
    virtual void sendReply(const Address& sender, IDType messageId, const boost::shared_ptr<const Reply>& reply,
                           const std::string& text) = 0;
};

}  // namespace foundation::msg_svc::exchange
