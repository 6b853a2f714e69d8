#include "foundation/msg_svc/exchange/default_message_queue.h"

#include <exception>

#include "foundation/log/diagnostic_logger.h"

namespace foundation::msg_svc::exchange {
namespace {

constexpr foundation::log::severity_t kError = 256;

foundation::log::diagnostic_logger& queueLogger() {
    static foundation::log::diagnostic_logger logger("foundation::msg_svc::exchange::DefaultMessageQueue");
    return logger;
}

}  // namespace

DefaultMessageQueue::DefaultMessageQueue(boost::weak_ptr<DefaultExchange> exchange)
    : MessageQueue(boost::weak_ptr<ExchangeApi>(exchange)) {}

DefaultMessageQueue::~DefaultMessageQueue() = default;

void DefaultMessageQueue::stop() {
    std::lock_guard lock(mutex_);
    stopped_ = true;
    envelopes_.clear();
    arrived_.notify_all();
}

void DefaultMessageQueue::submit(const boost::shared_ptr<const Envelope>& envelope) {
    if (!envelope) return;
    std::lock_guard lock(mutex_);
    if (stopped_) return;
    envelopes_.push_back(envelope);
    arrived_.notify_one();
}

void DefaultMessageQueue::deliverMessages() {
    for (;;) {
        boost::shared_ptr<const Envelope> envelope;
        {
            std::unique_lock lock(mutex_);
            arrived_.wait(lock, [this] { return stopped_ || !envelopes_.empty(); });
            if (stopped_) return;
            envelope = std::move(envelopes_.front());
            envelopes_.pop_front();
        }
        try {
            processEnvelope(envelope);
        } catch (const std::exception& error) {
            // One failing handler must not end delivery for the whole service.
            FOUNDATION_LOG(queueLogger(), kError) << "Message " << envelope->getMessageId()
                                                  << " failed: " << error.what();
        }
    }
}

}  // namespace foundation::msg_svc::exchange
