#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "connector/message_service/Future.h"
#include "connector/message_service/JsonMessage.h"
#include "connector/message_service/PayloadBuffer.h"

namespace connector::message_service {

// Held by the subscriber; the subscription ends when the last owner releases it.
class Subscription {
public:
    virtual ~Subscription() = default;
};

struct PublishResult {
    std::size_t receivers = 0;
};

// A client of the message service.
class MessageService {
public:
    using Handler = std::function<void(const JsonMessage&)>;

    virtual ~MessageService() = default;
    // The handler gets every message later published on exactly this channel.
    virtual Future<std::shared_ptr<Subscription>> subscribe(std::string channel, Handler handler) = 0;
    virtual Future<std::shared_ptr<PublishResult>> publish(std::string channel, PayloadBuffer payload) = 0;
};

}  // namespace connector::message_service
