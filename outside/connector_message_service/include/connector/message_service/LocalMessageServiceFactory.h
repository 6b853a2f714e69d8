#pragma once

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "connector/message_service/MessageServiceFactory.h"

namespace connector::message_service {

class Broker;

// The host's in-process message service: every client it makes shares one channel table and one
// delivery thread, on which handlers run and futures are settled.
class LocalMessageServiceFactory final : public MessageServiceFactory {
public:
    LocalMessageServiceFactory();
    ~LocalMessageServiceFactory() override;

    // An empty service name is refused through the future.
    Future<std::shared_ptr<MessageService>> createMessageService(
        std::string serviceName, std::unordered_map<std::string, std::string> options) override;

    // Calls fire on the delivery thread before each message published on a matching channel reaches
    // its subscribers, so that whatever fire subscribes gets that message too. A pattern ending in
    // "/**" matches every channel below its prefix, any other only itself. When fire throws, the
    // message is still delivered and its publish future holds the error. Releasing the handle ends
    // the watch once a running fire has returned.
    std::shared_ptr<Subscription> watchChannels(std::vector<std::string> channelPatterns, std::function<void()> fire);

private:
    std::shared_ptr<Broker> broker_;
};

}  // namespace connector::message_service
