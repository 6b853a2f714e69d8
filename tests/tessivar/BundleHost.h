#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Inbox.h"
#include "connector/message_service/LocalMessageServiceFactory.h"
#include "tovrenna/Framework.h"

namespace tessivar_test {

// A host that loads the plug-in from its file, starts its bundle and talks to it over the message service only.
class BundleHost : public testing::Test {
protected:
    void SetUp() override {
        framework.registerService("connector::message_service::MessageServiceFactory",
                                  std::static_pointer_cast<connector::message_service::MessageServiceFactory>(factory));
        framework.watchStartTriggersWith(
            std::bind_front(&connector::message_service::LocalMessageServiceFactory::watchChannels, factory));
        bundle = framework.installBundle(TESSIVAR_PLUGIN);
        bundle->start();
        host = factory->createMessageService("host", {}).get();
    }
    void TearDown() override {
        subscriptions.clear();
        bundle.reset();
    }

    // The channel's messages go to the inbox, under the channel's name.
    void listen(const std::string& channel) {
        subscriptions.push_back(host->subscribe(channel, inbox.handler(channel)).get());
    }

    std::shared_ptr<connector::message_service::LocalMessageServiceFactory> factory =
        std::make_shared<connector::message_service::LocalMessageServiceFactory>();
    tovrenna::Framework framework;
    std::unique_ptr<tovrenna::Bundle> bundle;
    std::shared_ptr<connector::message_service::MessageService> host;
    Inbox inbox;
    std::vector<std::shared_ptr<connector::message_service::Subscription>> subscriptions;
};

}  // namespace tessivar_test
