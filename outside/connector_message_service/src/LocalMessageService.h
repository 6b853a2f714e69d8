#pragma once

#include <memory>
#include <string>

#include "Broker.h"
#include "connector/message_service/MessageService.h"

namespace connector::message_service {

// One named client; its futures are settled on the delivery thread.
class LocalMessageService final : public MessageService {
public:
    LocalMessageService(std::shared_ptr<Broker> broker, std::string name);

    // An empty channel is refused through the future.
    Future<std::shared_ptr<Subscription>> subscribe(std::string channel, Handler handler) override;
    // A start trigger failing for the channel fails the future; the subscribers still get the message.
    Future<std::shared_ptr<PublishResult>> publish(std::string channel, PayloadBuffer payload) override;

private:
    std::shared_ptr<Broker> broker_;
    std::string name_;
};

}  // namespace connector::message_service
