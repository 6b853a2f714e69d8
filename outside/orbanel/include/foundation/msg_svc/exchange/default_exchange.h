#pragma once

#include <map>
#include <mutex>
#include <string>

#include <boost/enable_shared_from_this.hpp>
#include <boost/shared_ptr.hpp>

#include "foundation/msg_svc/exchange/exchange_api.h"

namespace foundation::msg_svc::exchange {

// The exchange of this process: local queues by service name, partner links by partner name.
class DefaultExchange : public ExchangeApi, public boost::enable_shared_from_this<DefaultExchange> {
public:
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

private:
    boost::shared_ptr<PartnerLink> linkFor(const std::string& partner) const;

    const std::string localName_;
    mutable std::mutex mutex_;
    IDType nextMessageId_ = 1;
    std::map<std::string, boost::shared_ptr<MessageQueue>> queues_;
    std::map<std::string, boost::shared_ptr<PartnerLink>> partners_;
    struct PendingReply {
        std::string partner;
        ReplyCallback callback;
    };
    // Local senders waiting for a reply, by message id; dropped when their partner detaches.
    std::map<IDType, PendingReply> pendingReplies_;
};

}  // namespace foundation::msg_svc::exchange
