#include "foundation/msg_svc/exchange/default_message_queue.h"

#include <exception>

#include "foundation/log/diagnostic_logger.h"
#include "platform/brief_wait.h"
#include "platform/short_turns.h"

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
    {
        std::lock_guard lock(mutex_);
        stopped_ = true;
    }
    arrived_.ring();
}

void DefaultMessageQueue::submit(const boost::shared_ptr<const Envelope>& envelope) {
    if (!envelope) return;
    {
        std::lock_guard lock(mutex_);
        if (stopped_) return;
        envelopes_.push_back(envelope);
        queued_.store(true, std::memory_order_relaxed);
    }
    // Outside the lock, so that the woken deliverer does not block on it at once.
    arrived_.ring();
}

void DefaultMessageQueue::deliverMessages() {
    // Taken from the queue in one go.
    std::vector<boost::shared_ptr<const Envelope>> taken;
    // A caller waiting on a reply sends its next message within microseconds: looking for it before sleeping
    // spares the deliverer a wake-up.
    platform::BriefWait wait;
    platform::requestShortTurns();
    for (;;) {
        wait.lookFor([this] {
            return queued_.load(std::memory_order_relaxed) || stopped_.load(std::memory_order_relaxed);
        });
        {
            std::unique_lock lock(mutex_);
            while (!stopped_ && envelopes_.empty()) {
                lock.unlock();
                arrived_.wait();
                lock.lock();
            }
            // Stopped, and every envelope queued before the stop is answered.
            if (envelopes_.empty()) return;
            taken.swap(envelopes_);
            queued_.store(false, std::memory_order_relaxed);
        }
        wait.found();
        for (auto& envelope : taken) {
            try {
                processEnvelope(envelope);
            } catch (const std::exception& error) {
                // One failing handler must not end delivery for the whole service.
                FOUNDATION_LOG(queueLogger(), kError) << "Message " << envelope->getMessageId()
                                                      << " failed: " << error.what();
            }
            envelope.reset();
        }
        taken.clear();
    }
}

}  // namespace foundation::msg_svc::exchange
