#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "EditorServices/ClipboardService.h"
#include "FakeMessageService.h"
#include "pf/clipboard/testing.h"
#include "pf/event/testing.h"

namespace {

using namespace tessivar_test;
using testing::ElementsAre;
using testing::HasSubstr;

const std::string prefix = "/v2/clipboardservice/";

class ClipboardServiceTest : public testing::Test {
protected:
    void SetUp() override { pf::clipboard::testing::reset(); }
    void TearDown() override {
        // The fake keeps its handlers, which hold it: drop them as a real service does on release.
        client().dropHandlers();
        service.reset();
        pf::event::testing::waitUntilDelivered();
        pf::clipboard::testing::reset();
    }

    FakeMessageService& client() { return *factory->client; }
    void start() { service = std::make_unique<EditorServices::ClipboardService>(factory); }
    // The one message the request produced, with its JSON parsed.
    std::pair<std::string, nlohmann::json> replyTo(const std::string& channel, const std::string& request) {
        client().deliver(prefix + channel, request);
        auto published = client().takePublished();
        EXPECT_EQ(published.size(), 1u);
        if (published.empty()) return {};
        return {published[0].channel, nlohmann::json::parse(published[0].text)};
    }
    void setText(const std::string& channel, const std::string& text) {
        auto [replyChannel, reply] = replyTo(
            channel, R"({"requestId": "s", "contents": [{"flavor": "text/plain", "content": ")" + text + R"("}]})");
        ASSERT_EQ(reply["success"], true);
    }
    nlohmann::json getText(const std::string& channel) {
        return replyTo(channel, R"({"requestId": "g", "flavors": ["text/plain"]})").second["contents"];
    }

    std::shared_ptr<FakeMessageServiceFactory> factory = std::make_shared<FakeMessageServiceFactory>();
    std::unique_ptr<EditorServices::ClipboardService> service;
};

TEST_F(ClipboardServiceTest, OpensItsClientByServiceNameAndSubscribesTheSixRequestChannelsInOrder) {
    start();
    EXPECT_EQ(factory->requestedName, "EditorClipboardService");
    EXPECT_TRUE(factory->requestedOptions.empty());
    EXPECT_THAT(client().subscribed,
                ElementsAre(prefix + "setClipboardDataRequest", prefix + "getClipboardDataRequest",
                            prefix + "requestAvailableDataFlavors", prefix + "setSelectionDataRequest",
                            prefix + "getSelectionDataRequest", prefix + "reqRegisterClipboardChange"));
}

TEST_F(ClipboardServiceTest, EachReplyGoesToTheMatchingResponseChannelWithTheUidAppendedWhenThereIsOne) {
    start();
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"setClipboardDataRequest", "setClipboardDataResponse"},
        {"getClipboardDataRequest", "getClipboardDataResponse"},
        {"requestAvailableDataFlavors", "sendAvailableDataFlavors"},
        {"setSelectionDataRequest", "setSelectionDataResponse"},
        {"getSelectionDataRequest", "getSelectionDataResponse"},
        {"reqRegisterClipboardChange", "responseRegisterClipboardChange"}};
    for (const auto& [request, response] : rows) {
        SCOPED_TRACE(request);
        EXPECT_EQ(replyTo(request, R"({"requestId": "r", "uid": "abc", "flavors": [], "contents": []})").first,
                  prefix + response + "/abc");
        EXPECT_EQ(replyTo(request, R"({"requestId": "r", "flavors": [], "contents": []})").first, prefix + response);
        EXPECT_EQ(replyTo(request, R"({"requestId": "r", "uid": "", "flavors": []})").first, prefix + response);
    }
}

TEST_F(ClipboardServiceTest, ReplyCarriesTheBackEndsAnswer) {
    start();
    auto [channel, reply] = replyTo("getClipboardDataRequest", "not json");
    EXPECT_EQ(channel, prefix + "getClipboardDataResponse");
    EXPECT_EQ(reply["success"], false);
    EXPECT_EQ(replyTo("requestAvailableDataFlavors", R"({"requestId": "f7"})").second["responseId"], "f7");
}

TEST_F(ClipboardServiceTest, SelectionChannelsUseTheSelectionAndClipboardChannelsTheClipboard) {
    start();
    setText("setSelectionDataRequest", "chosen");
    EXPECT_EQ(getText("getSelectionDataRequest"), (nlohmann::json{{"text/plain", "chosen"}}));
    EXPECT_TRUE(getText("getClipboardDataRequest").empty());

    setText("setClipboardDataRequest", "copied");
    EXPECT_EQ(getText("getClipboardDataRequest"), (nlohmann::json{{"text/plain", "copied"}}));
    EXPECT_EQ(getText("getSelectionDataRequest"), (nlohmann::json{{"text/plain", "chosen"}}));
}

TEST_F(ClipboardServiceTest, ChangeNotificationsGoToTheChangeChannelWithoutTheSubscribersUid) {
    start();
    auto [channel, reply] = replyTo("reqRegisterClipboardChange", R"({"requestId": "c", "uid": "abc"})");
    EXPECT_EQ(channel, prefix + "responseRegisterClipboardChange/abc");
    EXPECT_EQ(reply["success"], "true");

    client().deliver(prefix + "setClipboardDataRequest",
                     R"({"requestId": "s", "contents": [{"flavor": "text/plain", "content": "fresh"}]})");
    pf::event::testing::waitUntilDelivered();
    auto published = client().takePublished();
    // The notification comes from the event thread, so it may precede the set reply.
    ASSERT_EQ(published.size(), 2u);
    if (published[0].channel != prefix + "clipboardChange") std::swap(published[0], published[1]);
    EXPECT_EQ(published[0].channel, prefix + "clipboardChange");
    EXPECT_EQ(published[1].channel, prefix + "setClipboardDataResponse");
    EXPECT_EQ(nlohmann::json::parse(published[0].text),
              (nlohmann::json{{"success", true}, {"flavors", {"text/plain"}}, {"responseId", ""}}));
}

TEST_F(ClipboardServiceTest, DestructionReleasesSubscriptionsClientAndBackEndEvenAfterAChangeSubscription) {
    start();
    replyTo("reqRegisterClipboardChange", R"({"requestId": "c"})");
    client().dropHandlers();
    service.reset();
    for (const auto& handle : client().handles) EXPECT_TRUE(handle.expired());
    pf::clipboard::testing::putForeignContent(u"text/plain", std::u16string(u"later"),
                                              pf::clipboard::PFClipboardModeClipboard);
    pf::event::testing::waitUntilDelivered();
    EXPECT_TRUE(client().takePublished().empty());
    // Once the signal has dropped its disconnected slot, nothing of the component holds the client.
    EXPECT_EQ(factory->client.use_count(), 1);
}

TEST_F(ClipboardServiceTest, ConstructionFailsWhenAFutureIsNotValid) {
    factory->clientValid = false;
    EXPECT_THROW(
        try { start(); } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), "Future state isn't valid!");
            throw;
        },
        std::runtime_error);

    factory->clientValid = true;
    client().invalidSubscriptionAt = 3;
    EXPECT_THROW(start(), std::runtime_error);
    // The subscriptions made before the failure are released with the half-built component.
    ASSERT_EQ(client().handles.size(), 3u);
    for (const auto& handle : client().handles) EXPECT_TRUE(handle.expired());
}

TEST_F(ClipboardServiceTest, AnErrorStoredInTheClientFutureLeavesTheConstructor) {
    class RefusingFactory final : public ms::MessageServiceFactory {
        ms::Future<std::shared_ptr<ms::MessageService>> createMessageService(
            std::string, std::unordered_map<std::string, std::string>) override {
            auto state = std::make_shared<ms::FutureState<std::shared_ptr<ms::MessageService>>>();
            state->setException(std::make_exception_ptr(std::logic_error("host refused")));
            return ms::Future(std::move(state));
        }
    };
    EXPECT_THROW(EditorServices::ClipboardService(std::make_shared<RefusingFactory>()), std::logic_error);
    EXPECT_THROW(EditorServices::ClipboardService(nullptr), std::invalid_argument);
}

}  // namespace
