#pragma once

#include <boost/shared_ptr.hpp>

#include "foundation/msg_svc/exchange/message.h"
#include "foundation/msg_svc/exchange/routing.h"

namespace foundation::msg_svc::exchange {

// One message on its way to a queue.
class Envelope {
public:
    Envelope(boost::shared_ptr<const Message> message, RouteInfo routing, IDType messageId)
        : message_(std::move(message)), routing_(std::move(routing)), messageId_(messageId) {}

    const boost::shared_ptr<const Message>& getMessage() const { return message_; }
    const RouteInfo& getRouting() const { return routing_; }
    IDType getMessageId() const { return messageId_; }

private:
    boost::shared_ptr<const Message> message_;
    RouteInfo routing_;
    IDType messageId_;
};

}  // namespace foundation::msg_svc::exchange
