#pragma once

#include <boost/weak_ptr.hpp>

#include "foundation/msg_svc/exchange/address.h"

namespace foundation::msg_svc::exchange {

class ExchangeApi;

// Where a message came from and where it went.
struct RouteInfo {
    Address sender;
    Address destination;
    // False when the sender takes no reply; replies to the message are then not sent.
    bool replyWanted = true;
};

// The route of a message being delivered, with the exchange that delivers it.
class Routing {
public:
    Routing(RouteInfo route, boost::weak_ptr<ExchangeApi> exchange)
        : route_(std::move(route)), exchange_(std::move(exchange)) {}

    const Address& sender() const { return route_.sender; }
    const Address& destination() const { return route_.destination; }
    const boost::weak_ptr<ExchangeApi>& exchange() const { return exchange_; }
    bool replyWanted() const { return route_.replyWanted; }

private:
    RouteInfo route_;
    boost::weak_ptr<ExchangeApi> exchange_;
};

}  // namespace foundation::msg_svc::exchange
