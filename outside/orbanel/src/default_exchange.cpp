#include "foundation/msg_svc/exchange/default_exchange.h"

#include <stdexcept>
#include <unistd.h>

#include <boost/make_shared.hpp>

#include "foundation/log/diagnostic_logger.h"
#include "foundation/msg_svc/exchange/envelope.h"
#include "foundation/msg_svc/exchange/message_queue.h"
#include "foundation/msg_svc/exchange/partner_link.h"
#include "foundation/msg_svc/logging/exchange_trace_logger.h"

namespace foundation::msg_svc::exchange {
namespace {

constexpr foundation::log::severity_t kError = 256;

foundation::log::diagnostic_logger& exchangeLogger() {
    static foundation::log::diagnostic_logger logger("foundation::msg_svc::exchange::DefaultExchange");
    return logger;
}

}  // namespace

boost::shared_ptr<DefaultExchange> ExchangeApi::defaultInstance() {
    static const boost::shared_ptr<DefaultExchange> exchange =
        boost::make_shared<DefaultExchange>("process-" + std::to_string(::getpid()));
    return exchange;
}

boost::shared_ptr<ExchangeApi> ExchangeApi::instance() { return defaultInstance(); }

DefaultExchange::DefaultExchange(std::string localName) : localName_(std::move(localName)) {}

void DefaultExchange::send(const boost::shared_ptr<const Message>& message, const Address& destination,
                           const ReplyCallback& onReply) {
    if (!message) throw std::invalid_argument("cannot send an empty message");
    const bool local = destination.partner() == localName_;
    boost::shared_ptr<MessageQueue> queue;
    boost::shared_ptr<PartnerLink> link;
    IDType id = 0;
    {
        std::lock_guard lock(mutex_);
        if (local) {
            queue = queueServing(destination.service());
        } else {
            auto found = partners_.find(destination.partner());
            if (found == partners_.end())
                throw std::runtime_error("no route to partner \"" + destination.partner() + "\"");
            link = found->second.link;
        }
        id = nextMessageId_++;
        if (onReply) pendingReplies_[id] = PendingReply{destination.partner(), onReply};
    }
    auto envelope = boost::make_shared<const Envelope>(
        message, RouteInfo{Address(localName_, ""), destination, static_cast<bool>(onReply)}, id);
    if (logging::ExchangeTraceLogger::enabled())
        logging::ExchangeTraceLogger::log(logging::ExchangeTraceLogger::kMessageSent, message, envelope.get(),
                                          "DefaultExchange");
    try {
        if (queue)
            queue->submit(envelope);
        else
            link->deliver(envelope);
    } catch (...) {
        std::lock_guard lock(mutex_);
        pendingReplies_.erase(id);
        throw;
    }
}

void DefaultExchange::registerMessageQueue(const std::string& service, const boost::shared_ptr<MessageQueue>& queue) {
    if (!queue) throw std::invalid_argument("cannot register an empty message queue");
    std::unique_lock lock(mutex_);
    dropExpiredHeld();
    // Until the held messages are all handed over the queue stays unregistered, so that messages arriving
    // meanwhile are held after them instead of overtaking them. Handed over without the lock: a queue may
    // answer from submit.
    for (auto held = held_.find(service); held != held_.end(); held = held_.find(service)) {
        const auto waiting = std::move(held->second);
        held_.erase(held);
        for (const auto& held : waiting) heldBytes_ -= held.bytes;
        heldCount_ -= waiting.size();
        lock.unlock();
        for (const auto& held : waiting) {
            try {
                queue->submit(held.envelope);
            } catch (const std::exception&) {
                // Refused by the queue as it would have been on arrival; the others still go.
            }
        }
        lock.lock();
    }
    queues_[service] = queue;
}

void DefaultExchange::unregisterMessageQueue(const std::string& service) {
    std::lock_guard lock(mutex_);
    queues_.erase(service);
}

void DefaultExchange::attachPartner(const std::string& partner, const boost::shared_ptr<PartnerLink>& link) {
    if (!link) throw std::invalid_argument("cannot attach an empty partner link");
    if (partner == localName_) throw std::invalid_argument("a partner cannot take this process's name");
    std::lock_guard lock(mutex_);
    partners_[partner] = Partner{link, PartnerRights::sendAndHear};
}

void DefaultExchange::detachPartner(const std::string& partner) {
    std::lock_guard lock(mutex_);
    partners_.erase(partner);
    dropPendingRepliesOf(partner);
}

bool DefaultExchange::attachNewPartner(const std::string& partner, const boost::shared_ptr<PartnerLink>& link,
                                       PartnerRights rights) {
    if (!link) throw std::invalid_argument("cannot attach an empty partner link");
    if (partner == localName_) return false;
    std::lock_guard lock(mutex_);
    return partners_.emplace(partner, Partner{link, rights}).second;
}

void DefaultExchange::detachPartnerLink(const std::string& partner, const boost::shared_ptr<PartnerLink>& link) {
    std::lock_guard lock(mutex_);
    auto found = partners_.find(partner);
    if (found == partners_.end() || found->second.link != link) return;
    partners_.erase(found);
    dropPendingRepliesOf(partner);
}

boost::shared_ptr<MessageQueue> DefaultExchange::queueServing(const std::string& service) const {
    auto found = queues_.find(service);
    if (found == queues_.end()) throw std::runtime_error("no message queue serves \"" + service + "\"");
    return found->second;
}

void DefaultExchange::dropPendingRepliesOf(const std::string& partner) {
    std::erase_if(pendingReplies_, [&](const auto& entry) { return entry.second.partner == partner; });
}

void DefaultExchange::checkSender(const std::string& sender, const PartnerLink& from) const {
    auto found = partners_.find(sender);
    if (found == partners_.end() || found->second.link.get() != &from)
        throw std::runtime_error("\"" + sender + "\" is not attached through the link it sent on");
    if (found->second.rights == PartnerRights::hearOnly)
        throw std::runtime_error("\"" + sender + "\" only listens: its messages are refused");
}

void DefaultExchange::receive(const boost::shared_ptr<const Envelope>& envelope, const PartnerLink& from,
                              std::size_t bytes) {
    if (!envelope) return;
    const std::string& service = envelope->getRouting().destination.service();
    boost::shared_ptr<MessageQueue> queue;
    {
        std::lock_guard lock(mutex_);
        checkSender(envelope->getRouting().sender.partner(), from);
        dropExpiredHeld();
        auto found = queues_.find(service);
        if (found == queues_.end()) {
            hold(service, Held{envelope, bytes, std::chrono::steady_clock::now()});
            return;
        }
        queue = found->second;
    }
    queue->submit(envelope);
}

void DefaultExchange::hold(const std::string& service, Held held) {
    if (heldCount_ >= kMaxHeldMessages || heldBytes_ + held.bytes > kMaxHeldBytes)
        throw std::runtime_error("no message queue serves \"" + service + "\" and too many messages wait");
    heldBytes_ += held.bytes;
    ++heldCount_;
    held_[service].push_back(std::move(held));
}

void DefaultExchange::dropExpiredHeld() {
    if (held_.empty()) return;
    const auto now = std::chrono::steady_clock::now();
    std::size_t dropped = 0;
    for (auto service = held_.begin(); service != held_.end();) {
        auto& waiting = service->second;
        while (!waiting.empty() && now - waiting.front().since > kMaxHeldWait) {
            heldBytes_ -= waiting.front().bytes;
            --heldCount_;
            ++dropped;
            waiting.pop_front();
        }
        service = waiting.empty() ? held_.erase(service) : std::next(service);
    }
    if (dropped > 0)
        FOUNDATION_LOG(exchangeLogger(), kError)
            << "Dropped " << dropped << " messages that waited more than " << kMaxHeldWait.count()
            << " s for a service that has no queue";
}

void DefaultExchange::sendReply(const Address& sender, IDType messageId, const boost::shared_ptr<const Reply>& reply,
                                const std::string& /*text*/) {
    if (sender.partner() == localName_) {
        answer(messageId, "", reply);
        return;
    }
    if (auto link = linkFor(sender.partner())) link->deliverReply(sender, messageId, reply);
}

void DefaultExchange::receiveReply(const std::string& partner, IDType messageId,
                                   const boost::shared_ptr<const Reply>& reply) {
    if (!partner.empty()) answer(messageId, partner, reply);
}

void DefaultExchange::answer(IDType messageId, const std::string& partner, const boost::shared_ptr<const Reply>& reply) {
    ReplyCallback callback;
    {
        std::lock_guard lock(mutex_);
        auto found = pendingReplies_.find(messageId);
        if (found == pendingReplies_.end() || (!partner.empty() && found->second.partner != partner)) return;
        callback = std::move(found->second.callback);
        pendingReplies_.erase(found);
    }
    callback(reply);
}

boost::shared_ptr<PartnerLink> DefaultExchange::linkFor(const std::string& partner) const {
    std::lock_guard lock(mutex_);
    auto found = partners_.find(partner);
    return found == partners_.end() ? nullptr : found->second.link;
}

}  // namespace foundation::msg_svc::exchange
