#include "LocalMessageService.h"

#include <stdexcept>

namespace connector::message_service {

LocalMessageService::LocalMessageService(std::shared_ptr<Broker> broker, std::string name)
    : broker_(std::move(broker)), name_(std::move(name)) {}

Future<std::shared_ptr<Subscription>> LocalMessageService::subscribe(std::string channel, Handler handler) {
    auto state = std::make_shared<FutureState<std::shared_ptr<Subscription>>>();
    auto task = [broker = broker_, state, channel = std::move(channel), handler = std::move(handler)]() mutable {
        if (channel.empty()) {
            state->setException(std::make_exception_ptr(std::invalid_argument("cannot subscribe an empty channel")));
            return;
        }
        state->setValue(broker->subscribe(std::move(channel), std::move(handler)));
    };
    broker_->runOnDeliveryThread(std::move(task));
    return Future(std::move(state));
}

Future<std::shared_ptr<PublishResult>> LocalMessageService::publish(std::string channel, PayloadBuffer payload) {
    auto state = std::make_shared<FutureState<std::shared_ptr<PublishResult>>>();
    // The task must be copyable; the message is made from the bytes at once.
    auto task = [broker = broker_, state, channel = std::move(channel), message = JsonMessage(payload)] {
        const auto triggerFailure = broker->fireTriggers(channel);
        auto result = std::make_shared<PublishResult>();
        result->receivers = broker->deliver(channel, message);
        if (triggerFailure) {
            state->setException(triggerFailure);
        } else {
            state->setValue(std::move(result));
        }
    };
    broker_->post(std::move(task));
    return Future(std::move(state));
}

}  // namespace connector::message_service
