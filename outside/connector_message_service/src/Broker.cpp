#include "Broker.h"

namespace connector::message_service {
namespace {

class BrokerSubscription final : public Subscription {
public:
    BrokerSubscription(std::shared_ptr<Broker> broker, std::shared_ptr<Broker::Subscriber> subscriber)
        : broker_(std::move(broker)), subscriber_(std::move(subscriber)) {}
    ~BrokerSubscription() override { broker_->unsubscribe(subscriber_); }

private:
    std::shared_ptr<Broker> broker_;
    std::shared_ptr<Broker::Subscriber> subscriber_;
};

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
        try {
            receiver->handler(message);
        } catch (...) {
        }
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
}

}  // namespace connector::message_service
