#pragma once

#include <boost/shared_ptr.hpp>

#include "foundation/msg_svc/exchange/message.h"
#include "foundation/msg_svc/exchange/reply.h"
#include "foundation/msg_svc/exchange/routing.h"

namespace foundation::msg_svc::exchange {

// A message that a service of interface API handles.
template <class API>
class ActorMessageAPI : public Message {
public:
    // Hands the message to the service's handler for its type; empty without a service.
    virtual boost::shared_ptr<const Reply> deliver(const boost::shared_ptr<API>& service,
                                                   const Routing& routing) const = 0;
};

// Delivers Derived to API's operator() overload for Derived.
template <class Derived, class API>
class ActorMessage : public ActorMessageAPI<API> {
public:
    boost::shared_ptr<const Reply> deliver(const boost::shared_ptr<API>& service,
                                           const Routing& routing) const override {
        if (!service) return {};
        return (*service)(static_cast<const Derived&>(*this), routing);
    }
};

}  // namespace foundation::msg_svc::exchange
