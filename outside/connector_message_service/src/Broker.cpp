#include "Broker.h"

#include <algorithm>

#include "ChannelPattern.h"

namespace connector::message_service {
namespace {

// Ends a subscription or a watch when its last owner lets go.
template <class Entry, void (Broker::*end)(const std::shared_ptr<Entry>&)>
class BrokerHandle final : public Subscription {
public:
    BrokerHandle(std::shared_ptr<Broker> broker, std::shared_ptr<Entry> entry)
        : broker_(std::move(broker)), entry_(std::move(entry)) {}
    ~BrokerHandle() override { ((*broker_).*end)(entry_); }

private:
    std::shared_ptr<Broker> broker_;
    std::shared_ptr<Entry> entry_;
};

using BrokerSubscription = BrokerHandle<Broker::Subscriber, &Broker::unsubscribe>;
using BrokerWatch = BrokerHandle<Broker::Trigger, &Broker::unwatch>;

bool watches(const Broker::Trigger& trigger, const std::string& channel) {
    return std::any_of(trigger.channelPatterns.begin(), trigger.channelPatterns.end(),
                       [&](const std::string& pattern) { return channelMatches(pattern, channel); });
}

}  // namespace

void Broker::runOnDeliveryThread(std::function<void()> task) {
    if (delivery_.isCurrent()) {
        task();
    } else {
        delivery_.post(std::move(task));
    }
}

std::shared_ptr<Subscription> Broker::subscribe(std::string channel, MessageService::Handler handler) {
    auto subscriber = std::make_shared<Subscriber>();
    subscriber->channel = channel;
    subscriber->handler = std::move(handler);
    {
        std::lock_guard lock(mutex_);
        subscribers_.emplace(std::move(channel), subscriber);
    }
    return std::make_shared<BrokerSubscription>(shared_from_this(), std::move(subscriber));
}

std::size_t Broker::deliver(const std::string& channel, const JsonMessage& message) {
    std::vector<std::shared_ptr<Subscriber>> receivers;
    {
        std::lock_guard lock(mutex_);
        auto [first, last] = subscribers_.equal_range(channel);
        for (auto it = first; it != last; ++it) receivers.push_back(it->second);
    }
    std::size_t delivered = 0;
    for (const auto& receiver : receivers) {
        if (!receiver->active) continue;
        ++receiver->calls;
        try {
            receiver->handler(message);
        } catch (...) {
        }
        --receiver->calls;
        ++delivered;
    }
    return delivered;
}

void Broker::unsubscribe(const std::shared_ptr<Subscriber>& subscriber) {
    subscriber->active = false;
    {
        std::lock_guard lock(mutex_);
        auto [first, last] = subscribers_.equal_range(subscriber->channel);
        for (auto it = first; it != last; ++it) {
            if (it->second == subscriber) {
                subscribers_.erase(it);
                break;
            }
        }
    }
    delivery_.waitForRunningTask();
    // Released on the delivery thread, the subscriber may still be listed by the delivery under way:
    // its handler (perhaps a plug-in's code) goes now all the same, unless it is the one running.
    if (subscriber->calls == 0) subscriber->handler = nullptr;
}


std::shared_ptr<Subscription> Broker::watch(std::vector<std::string> channelPatterns, std::function<void()> fire) {
    auto trigger = std::make_shared<Trigger>();
    trigger->channelPatterns = std::move(channelPatterns);
    trigger->fire = std::move(fire);
    {
        std::lock_guard lock(mutex_);
        triggers_.push_back(trigger);
    }
    return std::make_shared<BrokerWatch>(shared_from_this(), std::move(trigger));
}

std::exception_ptr Broker::fireTriggers(const std::string& channel) {
    std::vector<std::shared_ptr<Trigger>> matching;
    {
        std::lock_guard lock(mutex_);
        for (const auto& trigger : triggers_) {
            if (watches(*trigger, channel)) matching.push_back(trigger);
        }
    }
    std::exception_ptr failure;
    for (const auto& trigger : matching) {
        if (!trigger->active) continue;
        try {
            trigger->fire();
        } catch (...) {
            if (!failure) failure = std::current_exception();
        }
    }
    return failure;
}

void Broker::unwatch(const std::shared_ptr<Trigger>& trigger) {
    trigger->active = false;
    {
        std::lock_guard lock(mutex_);
        std::erase(triggers_, trigger);
    }
    delivery_.waitForRunningTask();
}

}  // namespace connector::message_service
