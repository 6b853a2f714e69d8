#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "Inbox.h"
#include "connector/common/DeferredService.h"
#include "connector/message_service/LocalMessageServiceFactory.h"
#include "tovrenna/Framework.h"

namespace {

namespace ms = connector::message_service;
using namespace std::chrono_literals;

const std::string prefix = "/v2/clipboardservice/";

// A host that loads the plug-in by its manifest and talks to it over the message service only.
class BundleHostTest : public testing::Test {
protected:
    void SetUp() override {
        framework.registerService("connector::message_service::MessageServiceFactory",
                                  std::static_pointer_cast<ms::MessageServiceFactory>(factory));
        bundle = framework.installBundle(TESSIVAR_MANIFEST);
        bundle->start();
        host = factory->createMessageService("host", {}).get();
    }
    void TearDown() override {
        subscriptions.clear();
        bundle.reset();
    }

    void listen(const std::string& channel) {
        subscriptions.push_back(host->subscribe(prefix + channel, inbox.handler(prefix + channel)).get());
    }
    void send(const std::string& channel, const std::string& request) {
        host->publish(prefix + channel, ms::PayloadBuffer(request));
    }
    nlohmann::json expectOn(const std::string& channel) {
        auto message = inbox.next();
        if (!message) {
            ADD_FAILURE() << "nothing arrived, expected a message on " << channel;
            return {};
        }
        EXPECT_EQ(message->channel, prefix + channel);
        return nlohmann::json::parse(message->text);
    }

    std::shared_ptr<ms::LocalMessageServiceFactory> factory = std::make_shared<ms::LocalMessageServiceFactory>();
    tovrenna::Framework framework{TESSIVAR_INSTALL_ROOT};
    std::unique_ptr<tovrenna::Bundle> bundle;
    std::shared_ptr<ms::MessageService> host;
    tessivar_test::Inbox inbox;
    std::vector<std::shared_ptr<ms::Subscription>> subscriptions;
};

TEST_F(BundleHostTest, StartedBundleOffersTheComponentUnderItsServiceInterface) {
    EXPECT_EQ(bundle->symbolicName(), "com_velderine_service");
    EXPECT_NE(std::static_pointer_cast<connector::common::DeferredService>(bundle->service()), nullptr);
}

TEST_F(BundleHostTest, TextSetThroughTheServiceIsReadBackWithTheUidInTheReplyChannel) {
    listen("setClipboardDataResponse/u1");
    listen("getClipboardDataResponse/u2");
    send("setClipboardDataRequest",
         R"({"requestId": "s1", "uid": "u1", "contents": [{"flavor": "text/plain", "content": "grüße"}]})");
    EXPECT_EQ(expectOn("setClipboardDataResponse/u1"), (nlohmann::json{{"success", true}, {"responseId", "s1"}}));

    send("getClipboardDataRequest", R"({"requestId": "g1", "uid": "u2", "flavors": ["text/plain", "text/html"]})");
    EXPECT_EQ(expectOn("getClipboardDataResponse/u2"),
              (nlohmann::json{{"success", true}, {"contents", {{"text/plain", "grüße"}}}, {"responseId", "g1"}}));
}

TEST_F(BundleHostTest, FlavourListWithoutUidIsAnsweredOnTheBareResponseChannel) {
    listen("setSelectionDataResponse");
    listen("sendAvailableDataFlavors");
    send("setSelectionDataRequest",
         R"({"requestId": "s", "contents": [{"flavor": "text/html", "content": "<b>x</b>"}]})");
    expectOn("setSelectionDataResponse");
    send("setClipboardDataRequest",
         R"({"requestId": "s", "contents": [{"flavor": "text/plain", "content": "a"},
                                             {"flavor": "application/tarnel_json", "content": "{}"}]})");
    send("requestAvailableDataFlavors", R"({"requestId": "f"})");
    EXPECT_EQ(expectOn("sendAvailableDataFlavors"),
              (nlohmann::json{{"success", true}, {"flavors", {"text/plain", "application/tarnel_json"}},
                              {"responseId", "f"}}));
}

TEST_F(BundleHostTest, ChangeSubscriberIsNotifiedAfterASet) {
    listen("responseRegisterClipboardChange/w");
    listen("clipboardChange");
    send("reqRegisterClipboardChange", R"({"requestId": "c", "uid": "w"})");
    EXPECT_EQ(expectOn("responseRegisterClipboardChange/w"),
              (nlohmann::json{{"success", "true"}, {"responseId", "c"}}));

    send("setClipboardDataRequest", R"({"requestId": "s", "contents": [{"flavor": "text/plain", "content": "n"}]})");
    EXPECT_EQ(expectOn("clipboardChange"),
              (nlohmann::json{{"success", true}, {"flavors", {"text/plain"}}, {"responseId", ""}}));
}

TEST_F(BundleHostTest, StoppedBundleNoLongerListens) {
    listen("sendAvailableDataFlavors");
    bundle->stop();
    EXPECT_EQ(bundle->service(), nullptr);
    EXPECT_EQ(host->publish(prefix + "requestAvailableDataFlavors", ms::PayloadBuffer(std::string("{}"))).get()->receivers,
              0u);
    EXPECT_FALSE(inbox.next(100ms));

    bundle->start();
    send("requestAvailableDataFlavors", R"({"requestId": "again"})");
    EXPECT_EQ(expectOn("sendAvailableDataFlavors")["responseId"], "again");
}

TEST(BundleInstall, ReportsAMissingLibraryAndAnUnboundReference) {
    tovrenna::Framework misplaced{"/nonexistent"};
    EXPECT_THROW(misplaced.installBundle(TESSIVAR_MANIFEST), std::runtime_error);
    EXPECT_THROW(misplaced.installBundle("/nonexistent/manifest.json"), std::runtime_error);

    tovrenna::Framework unbound{TESSIVAR_INSTALL_ROOT};
    auto bundle = unbound.installBundle(TESSIVAR_MANIFEST);
    EXPECT_THROW(bundle->start(), std::runtime_error);
    EXPECT_EQ(bundle->service(), nullptr);
}

}  // namespace
