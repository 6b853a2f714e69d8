#pragma once

#include <string>
#include <utility>

#include "connector/message_service/PayloadBuffer.h"

namespace connector::message_service {

// One message as delivered on a channel: its payload is JSON text (UTF-8).
class JsonMessage {
public:
    JsonMessage() = default;
    explicit JsonMessage(std::string payload) : payload_(std::move(payload)) {}
    explicit JsonMessage(const PayloadBuffer& buffer) : payload_(buffer.data(), buffer.size()) {}

    const std::string& payload() const { return payload_; }

private:
    std::string payload_;
};

}  // namespace connector::message_service
