#pragma once

#include <typeinfo>

#include <boost/pointer_cast.hpp>
#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

#include "foundation/msg_svc/exchange/actor_message.h"
#include "foundation/msg_svc/exchange/default_message_queue.h"
#include "foundation/msg_svc/exchange/unexpected_message.h"
#include "foundation/msg_svc/logging/exchange_trace_logger.h"

namespace foundation::msg_svc::exchange {

// The queue of a service of interface API: takes only ActorMessageAPI<API> messages and delivers
// each to the service, sending back the reply.
template <class API>
class ActorMessageQueue : public DefaultMessageQueue {
public:
    ActorMessageQueue(boost::shared_ptr<API> service, boost::weak_ptr<DefaultExchange> exchange)
        : DefaultMessageQueue(std::move(exchange)), service_(std::move(service)) {}

    // Throws UnexpectedMessage for a message of another interface; drops empty envelopes.
    void submit(const boost::shared_ptr<const Envelope>& envelope) override {
        if (!envelope || !envelope->getMessage()) return;
        const auto& message = envelope->getMessage();
        if (logging::ExchangeTraceLogger::enabled())
            logging::ExchangeTraceLogger::log(logging::ExchangeTraceLogger::kMessageQueued, message, envelope.get(),
                                              "ActorMessageQueue");
        if (!dynamic_cast<const ActorMessageAPI<API>*>(message.get()))
            throw UnexpectedMessage(typeid(ActorMessageAPI<API>), message);
        DefaultMessageQueue::submit(envelope);
    }

    void processEnvelope(const boost::shared_ptr<const Envelope>& envelope) override {
        if (!envelope) return;
        const Routing routing(envelope->getRouting(), exchange());
        boost::shared_ptr<const Reply> reply;
        if (auto message = boost::dynamic_pointer_cast<const ActorMessageAPI<API>>(envelope->getMessage()))
            reply = message->deliver(service_, routing);
        if (reply) sendReply(routing, envelope->getMessageId(), reply, "");
    }

private:
    boost::shared_ptr<API> service_;
};

}  // namespace foundation::msg_svc::exchange
