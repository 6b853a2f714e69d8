#pragma once

#include <memory>
#include <string>
#include <unordered_map>

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

private:
    std::shared_ptr<Broker> broker_;
};

}  // namespace connector::message_service
