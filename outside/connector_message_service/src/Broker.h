#pragma once

#include <atomic>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "DeliveryThread.h"
#include "connector/message_service/MessageService.h"

namespace connector::message_service {

// The channel table shared by all clients of one factory.
class Broker : public std::enable_shared_from_this<Broker> {
public:
    struct Subscriber {
        std::string channel;
        MessageService::Handler handler;
        std::atomic<bool> active{true};
        // Calls of the handler under way; touched on the delivery thread only.
        int calls = 0;
    };
    struct Trigger {
        std::vector<std::string> channelPatterns;
        std::function<void()> fire;
        std::atomic<bool> active{true};
    };

    // Runs the task on the delivery thread; at once when called there, so that an operation started by
    // a handler can be waited for without blocking the thread that would settle it.
    void runOnDeliveryThread(std::function<void()> task);
    void post(std::function<void()> task) { delivery_.post(std::move(task)); }

    std::shared_ptr<Subscription> subscribe(std::string channel, MessageService::Handler handler);
    // Hands the message to every subscriber of the channel; a failing handler does not stop the others.
    std::size_t deliver(const std::string& channel, const JsonMessage& message);
    // Once this returns no call of the subscriber's handler is running or will start.
    void unsubscribe(const std::shared_ptr<Subscriber>& subscriber);

    std::shared_ptr<Subscription> watch(std::vector<std::string> channelPatterns, std::function<void()> fire);
    // Fires every trigger watching the channel; the first failure is returned, the other triggers still fire.
    std::exception_ptr fireTriggers(const std::string& channel);
    // Once this returns the trigger is not firing and will not fire again.
    void unwatch(const std::shared_ptr<Trigger>& trigger);

private:
    std::mutex mutex_;
    std::multimap<std::string, std::shared_ptr<Subscriber>> subscribers_;
    std::vector<std::shared_ptr<Trigger>> triggers_;
    DeliveryThread delivery_;
};

}  // namespace connector::message_service
