#pragma once

#include <boost/shared_ptr.hpp>

#include "foundation/msg_svc/exchange/address.h"
#include "foundation/msg_svc/exchange/envelope.h"
#include "foundation/msg_svc/exchange/reply.h"

namespace foundation::msg_svc::exchange {

// The way to another process: the exchange hands it what is addressed to that partner. Throwing
// from either operation fails the send.
class PartnerLink {
public:
    virtual ~PartnerLink() = default;
    virtual void deliver(const boost::shared_ptr<const Envelope>& envelope) = 0;
    virtual void deliverReply(const Address& destination, IDType messageId,
                              const boost::shared_ptr<const Reply>& reply) = 0;
};

}  // namespace foundation::msg_svc::exchange
