#pragma once

#include <memory>
#include <string>

#include "EditorServices/Pastrel.h"
#include "connector/common/DeferredService.h"
#include "connector/message_service/MessageService.h"
#include "connector/message_service/MessageServiceFactory.h"

namespace EditorServices {

// Publishes the clipboard back-end on the host's message service: one subscription per request
// channel, each reply published on the matching response channel.
class ClipboardService : public connector::common::DeferredService {
public:
    // Blocks until the client and all subscriptions are in place; throws when one of them fails.
    explicit ClipboardService(std::shared_ptr<connector::message_service::MessageServiceFactory> factory);
    ~ClipboardService() override;

private:
    using Subscription = std::shared_ptr<connector::message_service::Subscription>;
    using ReplyPublisher = Pastrel::ReplyCallback;

    void initializeMessageService(const std::shared_ptr<connector::message_service::MessageServiceFactory>& factory);
    Subscription subscribe(const std::string& channel, connector::message_service::MessageService::Handler handler);
    ReplyPublisher replyOn(const std::string& responseChannel) const;

    // Released in reverse order: the back-end, the subscriptions from the last, the client.
    std::shared_ptr<connector::message_service::MessageService> client;
    Subscription setClipboardDataSubscription;
    Subscription getClipboardDataSubscription;
    Subscription availableDataFlavorsSubscription;
    Subscription setSelectionDataSubscription;
    Subscription getSelectionDataSubscription;
    Subscription clipboardChangeSubscription;
    std::shared_ptr<Pastrel> backend;
};

}  // namespace EditorServices
