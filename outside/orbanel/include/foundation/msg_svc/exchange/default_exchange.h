#pragma once

#include <chrono>
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

// What a partner may do over its link: every partner hears what is sent to it.
enum class PartnerRights {
    sendAndHear,
    hearOnly,  // what it sends is refused
};

// The exchange of this process: local queues by service name, partner links by partner name.
class DefaultExchange : public ExchangeApi, public boost::enable_shared_from_this<DefaultExchange> {
public:
    // Bounds of the messages that wait for their service's queue: by count, by payload bytes (room for one
    // message of the largest frame) and by time.
    static constexpr std::size_t kMaxHeldMessages = 1024;
    static constexpr std::size_t kMaxHeldBytes = 64 * 1024 * 1024;
    static constexpr std::chrono::seconds kMaxHeldWait{5};

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
    bool attachNewPartner(const std::string& partner, const boost::shared_ptr<PartnerLink>& link,
                          PartnerRights rights = PartnerRights::sendAndHear);
    // Detaches the partner only while this link serves it, so a closing link never takes away its successor.
    void detachPartnerLink(const std::string& partner, const boost::shared_ptr<PartnerLink>& link);
    // Hands a message that came in from a partner over the link from, with a payload of the given size, to
    // the queue of its destination's service. Throws std::runtime_error when from does not serve the sender
    // or the sender only hears. A message for a service that has no queue yet is held, in order, until a queue
    // registers for it; beyond the held bounds it throws std::runtime_error, and held ones that waited longer
    // than kMaxHeldWait are dropped (one log record) at the next message or registration. Throws what the
    // queue throws.
    void receive(const boost::shared_ptr<const Envelope>& envelope, const PartnerLink& from, std::size_t bytes);
    // Hands a reply that came in from a partner to the local sender of message messageId, when that
    // message went to this partner; other replies are ignored.
    void receiveReply(const std::string& partner, IDType messageId, const boost::shared_ptr<const Reply>& reply);

private:
    struct Partner {
        boost::shared_ptr<PartnerLink> link;
        PartnerRights rights = PartnerRights::sendAndHear;
    };
    struct Held {
        boost::shared_ptr<const Envelope> envelope;
        std::size_t bytes = 0;
        std::chrono::steady_clock::time_point since;
    };

    // All under mutex_.
    boost::shared_ptr<MessageQueue> queueServing(const std::string& service) const;
    void checkSender(const std::string& sender, const PartnerLink& from) const;
    void hold(const std::string& service, Held held);
    // Reads the clock only while something is held, so that the usual message does not pay for it.
    void dropExpiredHeld();
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
    std::map<std::string, std::deque<Held>> held_;
    std::size_t heldCount_ = 0;
    std::size_t heldBytes_ = 0;
    std::map<std::string, Partner> partners_;
    struct PendingReply {
        std::string partner;
        ReplyCallback callback;
    };
    // Local senders waiting for a reply, by message id; dropped when their partner detaches.
    std::map<IDType, PendingReply> pendingReplies_;
};

}  // namespace foundation::msg_svc::exchange
