#pragma once

#include <string>

#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

#include "foundation/msg_svc/exchange/envelope.h"
#include "foundation/msg_svc/exchange/reply.h"
#include "foundation/msg_svc/exchange/routing.h"

namespace foundation::msg_svc::exchange {

class ExchangeApi;

// Where the exchange puts the messages of one service.
class MessageQueue {
public:
    explicit MessageQueue(boost::weak_ptr<ExchangeApi> exchange) : exchange_(std::move(exchange)) {}
    MessageQueue(const MessageQueue&) = delete;
    MessageQueue& operator=(const MessageQueue&) = delete;
    virtual ~MessageQueue() = default;

    // Stops delivery; later messages are dropped.
    virtual void stop() = 0;
    // Takes one message, on the sender's thread.
    virtual void submit(const boost::shared_ptr<const Envelope>& envelope) = 0;

    const boost::weak_ptr<ExchangeApi>& exchange() const { return exchange_; }
    // Hands the reply to the message messageId back to its sender; nothing when the sender takes no
    // reply or the exchange is gone.
    void sendReply(const Routing& routing, IDType messageId, const boost::shared_ptr<const Reply>& reply,
                   const std::string& text) const;

private:
    boost::weak_ptr<ExchangeApi> exchange_;
};

}  // namespace foundation::msg_svc::exchange
