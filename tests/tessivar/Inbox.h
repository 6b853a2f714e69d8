#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <string>

#include "connector/message_service/MessageService.h"

namespace tessivar_test {

// Collects the messages of the channels it is subscribed to, from the delivery thread.
class Inbox {
public:
    connector::message_service::MessageService::Handler handler(std::string channel) {
        return [this, channel](const connector::message_service::JsonMessage& message) {
            {
                std::lock_guard lock(mutex_);
                messages_.push_back({channel, message.payload()});
            }
            arrived_.notify_all();
        };
    }
    struct Message {
        std::string channel;
        std::string text;
    };
    // The next message, or nothing when none comes within the time.
    std::optional<Message> next(std::chrono::milliseconds within = std::chrono::seconds(5)) {
        std::unique_lock lock(mutex_);
        if (!arrived_.wait_for(lock, within, [this] { return !messages_.empty(); })) return std::nullopt;
        Message message = std::move(messages_.front());
        messages_.pop_front();
        return message;
    }

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<Message> messages_;
};

}  // namespace tessivar_test
