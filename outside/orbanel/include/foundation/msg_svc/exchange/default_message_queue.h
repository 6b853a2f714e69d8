#pragma once

#include <atomic>
#include <mutex>
#include <vector>

#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

#include "foundation/msg_svc/exchange/default_exchange.h"
#include "foundation/msg_svc/exchange/message_queue.h"
#include "platform/doorbell.h"

namespace foundation::msg_svc::exchange {

// A queue delivered by one thread: submit queues, deliverMessages hands the envelopes to
// processEnvelope in arrival order.
class DefaultMessageQueue : public MessageQueue {
public:
    explicit DefaultMessageQueue(boost::weak_ptr<DefaultExchange> exchange);
    ~DefaultMessageQueue() override;

    // Refuses later envelopes and makes deliverMessages return once every envelope queued before is
    // delivered, so that none taken is left unanswered.
    void stop() override;
    void submit(const boost::shared_ptr<const Envelope>& envelope) override;
    // Handles one envelope on the delivering thread. An exception it throws is logged and
    // delivery goes on.
    virtual void processEnvelope(const boost::shared_ptr<const Envelope>& envelope) = 0;

    // Delivers on the calling thread until stop and the queue is empty.
    void deliverMessages();

private:
    std::mutex mutex_;
    std::vector<boost::shared_ptr<const Envelope>> envelopes_;
    platform::Doorbell arrived_;
    std::atomic<bool> queued_{false};   // written under mutex_, read without it while looking for work
    std::atomic<bool> stopped_{false};  // written under mutex_
};

}  // namespace foundation::msg_svc::exchange
