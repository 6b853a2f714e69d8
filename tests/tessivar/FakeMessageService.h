#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "connector/message_service/MessageServiceFactory.h"

namespace tessivar_test {

namespace ms = connector::message_service;

template <class T>
ms::Future<T> settled(T value) {
    auto state = std::make_shared<ms::FutureState<T>>();
    state->setValue(std::move(value));
    return ms::Future<T>(std::move(state));
}

struct Published {
    std::string channel;
    std::string text;
    bool operator==(const Published&) const = default;
};

// Answers every operation at once and records what the component does; publish may be called from
// the clipboard event thread.
class FakeMessageService final : public ms::MessageService {
public:
    ms::Future<std::shared_ptr<ms::Subscription>> subscribe(std::string channel, Handler handler) override {
        std::lock_guard lock(mutex);
        if (subscribed.size() == invalidSubscriptionAt) return {};
        auto handle = std::make_shared<ms::Subscription>();
        handles.push_back(handle);
        subscribed.push_back(channel);
        handlers[channel] = std::move(handler);
        return settled(std::move(handle));
    }
    ms::Future<std::shared_ptr<ms::PublishResult>> publish(std::string channel, ms::PayloadBuffer payload) override {
        std::lock_guard lock(mutex);
        published.push_back({std::move(channel), std::string(payload.data(), payload.size())});
        return {};
    }

    void deliver(const std::string& channel, const std::string& text) {
        Handler handler;
        {
            std::lock_guard lock(mutex);
            handler = handlers.at(channel);
        }
        handler(ms::JsonMessage(text));
    }
    std::vector<Published> takePublished() {
        std::lock_guard lock(mutex);
        return std::exchange(published, {});
    }
    void dropHandlers() {
        std::lock_guard lock(mutex);
        handlers.clear();
    }

    std::mutex mutex;
    std::size_t invalidSubscriptionAt = SIZE_MAX;
    std::vector<std::string> subscribed;
    std::vector<std::weak_ptr<ms::Subscription>> handles;
    std::map<std::string, Handler> handlers;
    std::vector<Published> published;
};

class FakeMessageServiceFactory final : public ms::MessageServiceFactory {
public:
    ms::Future<std::shared_ptr<ms::MessageService>> createMessageService(
        std::string serviceName, std::unordered_map<std::string, std::string> options) override {
        requestedName = std::move(serviceName);
        requestedOptions = std::move(options);
        if (!clientValid) return {};
        return settled(std::static_pointer_cast<ms::MessageService>(client));
    }

    std::shared_ptr<FakeMessageService> client = std::make_shared<FakeMessageService>();
    bool clientValid = true;
    std::string requestedName;
    std::unordered_map<std::string, std::string> requestedOptions;
};

}  // namespace tessivar_test
