#include "connector/message_service/LocalMessageServiceFactory.h"

#include <stdexcept>

#include "Broker.h"
#include "LocalMessageService.h"

namespace connector::message_service {

LocalMessageServiceFactory::LocalMessageServiceFactory() : broker_(std::make_shared<Broker>()) {}

LocalMessageServiceFactory::~LocalMessageServiceFactory() = default;

Future<std::shared_ptr<MessageService>> LocalMessageServiceFactory::createMessageService(
    std::string serviceName, std::unordered_map<std::string, std::string>) {
    auto state = std::make_shared<FutureState<std::shared_ptr<MessageService>>>();
    auto task = [broker = broker_, state, name = std::move(serviceName)]() mutable {
        if (name.empty()) {
            state->setException(std::make_exception_ptr(std::invalid_argument("a message service needs a name")));
            return;
        }
        state->setValue(std::make_shared<LocalMessageService>(broker, std::move(name)));
    };
    broker_->runOnDeliveryThread(std::move(task));
    return Future(std::move(state));
}

std::shared_ptr<Subscription> LocalMessageServiceFactory::watchChannels(std::vector<std::string> channelPatterns,
                                                                        std::function<void()> fire) {
    return broker_->watch(std::move(channelPatterns), std::move(fire));
}

}  // namespace connector::message_service
