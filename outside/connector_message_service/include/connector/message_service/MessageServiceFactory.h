#pragma once

#include <memory>
#include <string>
#include <unordered_map>

#include "connector/message_service/Future.h"
#include "connector/message_service/MessageService.h"

namespace connector::message_service {

class MessageServiceFactory {
public:
    virtual ~MessageServiceFactory() = default;
    virtual Future<std::shared_ptr<MessageService>> createMessageService(
        std::string serviceName, std::unordered_map<std::string, std::string> options) = 0;
};

}  // namespace connector::message_service
