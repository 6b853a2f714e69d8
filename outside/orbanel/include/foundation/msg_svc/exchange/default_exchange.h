#pragma once

#include <cstddef>
#include <deque>
#include <map>
#include <mutex>
#include <string>

#include <boost/enable_shared_from_this.hpp>
#include <boost/shared_ptr.hpp>

#include "foundation/msg_svc/exchange/envelope.h"
#include "foundation/msg_svc/exchange/exchange_api.h"

namespace foundation::msg_svc::exchange {

// The exchange of this process: local queues by service name, partner links by partner name.
class DefaultExchange : public ExchangeApi, public boost::enable_shared_from_this<DefaultExchange> {
public:
    static constexpr std::size_t kMaxHeldMessages = 1024;

    explicit DefaultExchange(std::string localName);

    const std::string& localName() const override { return localName_; }
    void send(const boost::shared_ptr<const Message>& message, const Address& destination,
              const ReplyCallback& onReply = ReplyCallback()) override;
    void registerMessageQueue(const std::string& service, const boost::shared_ptr<MessageQueue>& queue) override;
    void unregisterMessageQueue(const std::string& service) override;
    void attachPartner(const std::string& partner, const boost::shared_ptr<PartnerLink>& link) override;
    void detachPartner(const std::string& partner) override;
    void sendReply(const Address& sender, IDType messageId, const boost::shared_ptr<const Reply>& reply,
                   const std::string& text) override;

    // Attaches the link only when no link serves the partner yet; says whether it did.
    bool attachNewPartner(const std::string& partner, const boost::shared_ptr<PartnerLink>& link);
    // Detaches the partner only while this link serves it, so a closing link never takes away its successor.
    void detachPartnerLink(const std::string& partner, const boost::shared_ptr<PartnerLink>& link);
    // Hands a message that came in from a partner to the queue of its destination's service. A message for a
    // service that has no queue yet is held, in order, until a queue registers for it; beyond
    // kMaxHeldMessages held ones it throws std::runtime_error. Throws what the queue throws.
    void receive(const boost::shared_ptr<const Envelope>& envelope);
    // Hands a reply that came in from a partner to the local sender of message messageId, when that
    // message went to this partner; other replies are ignored.
    void receiveReply(const std::string& partner, IDType messageId, const boost::shared_ptr<const Reply>& reply);

private:
    // Both under mutex_.
    boost::shared_ptr<MessageQueue> queueServing(const std::string& service) const;
    void dropPendingRepliesOf(const std::string& partner);
    // Runs and forgets the callback waiting for messageId, when it waits for a reply from partner (any
    // partner when empty).
    void answer(IDType messageId, const std::string& partner, const boost::shared_ptr<const Reply>& reply);

    boost::shared_ptr<PartnerLink> linkFor(const std::string& partner) const;

    const std::string localName_;
    mutable std::mutex mutex_;
    IDType nextMessageId_ = 1;
    std::map<std::string, boost::shared_ptr<MessageQueue>> queues_;
    // Messages from partners that came before their service's queue, by service.
    std::map<std::string, std::deque<boost::shared_ptr<const Envelope>>> held_;
    std::size_t heldCount_ = 0;
    std::map<std::string, boost::shared_ptr<PartnerLink>> partners_;
    struct PendingReply {
        std::string partner;
        ReplyCallback callback;
    };
    // Local senders waiting for a reply, by message id; dropped when their partner detaches.
    std::map<IDType, PendingReply> pendingReplies_;
};

}  // namespace foundation::msg_svc::exchange
