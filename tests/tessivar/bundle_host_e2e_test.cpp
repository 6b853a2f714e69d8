#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>

#include <nlohmann/json.hpp>

#include "BundleHost.h"
#include "connector/common/DeferredService.h"
#include "connector/message_service/LocalMessageServiceFactory.h"
#include "tovrenna/Framework.h"

namespace {

namespace ms = connector::message_service;
using namespace std::chrono_literals;

const std::string prefix = "/v2/clipboardservice/";

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

class BundleHostTest : public tessivar_test::BundleHost {
protected:
    void listen(const std::string& channel) { BundleHost::listen(prefix + channel); }
    ms::Future<std::shared_ptr<ms::PublishResult>> send(const std::string& channel, const std::string& request) {
        return host->publish(prefix + channel, ms::PayloadBuffer(request));
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
};

TEST_F(BundleHostTest, ComponentIsActivatedByItsFirstRequestWhichIsAnswered) {
    EXPECT_EQ(bundle->symbolicName(), "com_velderine_service");
    EXPECT_EQ(bundle->service(), nullptr);
    listen("getClipboardDataResponse/first");
    EXPECT_EQ(send("getClipboardDataRequest", R"({"requestId": "g0", "uid": "first", "flavors": ["text/plain"]})")
                  .get()
                  ->receivers,
              1u);
    EXPECT_EQ(expectOn("getClipboardDataResponse/first")["responseId"], "g0");
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
    send("requestAvailableDataFlavors", R"({"requestId": "before"})");
    EXPECT_EQ(expectOn("sendAvailableDataFlavors")["responseId"], "before");
    bundle->stop();
    EXPECT_EQ(bundle->service(), nullptr);
    EXPECT_EQ(host->publish(prefix + "requestAvailableDataFlavors", ms::PayloadBuffer(std::string("{}"))).get()->receivers,
              0u);
    EXPECT_FALSE(inbox.next(100ms));

    bundle->start();
    send("requestAvailableDataFlavors", R"({"requestId": "again"})");
    EXPECT_EQ(expectOn("sendAvailableDataFlavors")["responseId"], "again");
}

TEST_F(BundleHostTest, StartingTwiceAndStoppingTwiceAreHarmless) {
    bundle->start();
    listen("sendAvailableDataFlavors");
    send("requestAvailableDataFlavors", R"({"requestId": "once"})");
    EXPECT_EQ(expectOn("sendAvailableDataFlavors")["responseId"], "once");
    EXPECT_FALSE(inbox.next(100ms));
    bundle->stop();
    bundle->stop();
    EXPECT_EQ(bundle->service(), nullptr);
}

// Hands out no valid future the first time it is asked, then clients of the host's service.
class FailingOnceFactory final : public ms::MessageServiceFactory {
public:
    explicit FailingOnceFactory(std::shared_ptr<ms::MessageServiceFactory> working) : working_(std::move(working)) {}
    ms::Future<std::shared_ptr<ms::MessageService>> createMessageService(
        std::string name, std::unordered_map<std::string, std::string> options) override {
        if (!failed_.exchange(true)) return {};
        return working_->createMessageService(std::move(name), std::move(options));
    }

private:
    std::shared_ptr<ms::MessageServiceFactory> working_;
    std::atomic<bool> failed_{false};
};

TEST(BundleActivation, FailsAtTheFirstMessageAndIsTriedAgainAtTheNext) {
    auto factory = std::make_shared<ms::LocalMessageServiceFactory>();
    tovrenna::Framework framework;
    framework.registerService("connector::message_service::MessageServiceFactory",
                              std::static_pointer_cast<ms::MessageServiceFactory>(
                                  std::make_shared<FailingOnceFactory>(factory)));
    framework.watchStartTriggersWith(std::bind_front(&ms::LocalMessageServiceFactory::watchChannels, factory));
    auto bundle = framework.installBundle(TESSIVAR_PLUGIN);
    bundle->start();

    auto host = factory->createMessageService("host", {}).get();
    tessivar_test::Inbox inbox;
    auto requests = host->subscribe(prefix + "requestAvailableDataFlavors", inbox.handler("request")).get();
    auto replies = host->subscribe(prefix + "sendAvailableDataFlavors", inbox.handler("reply")).get();
    auto first = host->publish(prefix + "requestAvailableDataFlavors", ms::PayloadBuffer(std::string("{}")));
    try {
        first.get();
        ADD_FAILURE() << "the failed activation was not reported";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Future state isn't valid!");
    }
    EXPECT_EQ(bundle->service(), nullptr);
    ASSERT_TRUE(inbox.next());
    EXPECT_FALSE(inbox.next(100ms)) << "only the host heard the first request";

    host->publish(prefix + "requestAvailableDataFlavors", ms::PayloadBuffer(std::string(R"({"requestId": "2"})")));
    std::vector<std::string> heard;
    for (auto message = inbox.next(); message; message = inbox.next(heard.size() < 2 ? 5s : 100ms)) {
        heard.push_back(message->channel);
    }
    std::sort(heard.begin(), heard.end());
    EXPECT_EQ(heard, (std::vector<std::string>{"reply", "request"}));
    EXPECT_NE(bundle->service(), nullptr);
}

TEST(BundleInstall, RefusesBrokenPluginsAndServesTheNextBundle) {
    auto factory = std::make_shared<ms::LocalMessageServiceFactory>();
    tovrenna::Framework framework;
    framework.registerService("connector::message_service::MessageServiceFactory",
                              std::static_pointer_cast<ms::MessageServiceFactory>(factory));
    framework.watchStartTriggersWith(std::bind_front(&ms::LocalMessageServiceFactory::watchChannels, factory));

    // The build derives most of these from the plug-in; two more are made here.
    const std::filesystem::path built = REFUSED_BUNDLES;
    std::string plugin = readFile(TESSIVAR_PLUGIN);
    writeFile(built / "truncated.so", plugin.substr(0, 4096));
    writeFile(built / "text_file.so", "not a plug-in\n");
    const std::pair<std::filesystem::path, std::string> cases[] = {
        {built / "no_resources.so", "no US_RESOURCES section"},
        {built / "not_a_zip.so", "no zip archive"},
        {built / "two_members.so", "more than the manifest"},
        {built / "member_at_top.so", "not <bundle>/manifest.json"},
        {built / "other_folder.so", "is filed as other_bundle/manifest.json"},
        {built / "unparsable_manifest.so", "bad bundle manifest"},
        {built / "oversized_manifest.so", "exceeds 1 MiB"},
        {built / "truncated.so", "cut short"},
        {built / "text_file.so", "not an ELF file"},
        {built / "missing.so", "cannot read"},
    };
    for (const auto& [file, reason] : cases) {
        try {
            framework.installBundle(file);
            ADD_FAILURE() << file << " was installed";
        } catch (const std::runtime_error& error) {
            EXPECT_THAT(error.what(), testing::HasSubstr(reason)) << file;
            EXPECT_THAT(error.what(), testing::HasSubstr(file.string())) << file;
        }
    }

    auto bundle = framework.installBundle(TESSIVAR_PLUGIN);
    bundle->start();
    auto host = factory->createMessageService("host", {}).get();
    tessivar_test::Inbox inbox;
    auto replies = host->subscribe(prefix + "sendAvailableDataFlavors", inbox.handler("reply")).get();
    host->publish(prefix + "requestAvailableDataFlavors", ms::PayloadBuffer(std::string(R"({"requestId": "r"})")));
    auto reply = inbox.next();
    ASSERT_TRUE(reply);
    EXPECT_EQ(nlohmann::json::parse(reply->text)["responseId"], "r");
}

TEST(BundleInstall, StartNeedsABoundReferenceAndAWatchForItsTriggers) {
    tovrenna::Framework framework;
    auto bundle = framework.installBundle(TESSIVAR_PLUGIN);
    EXPECT_THROW(bundle->start(), std::runtime_error);
    framework.registerService("connector::message_service::MessageServiceFactory",
                              std::static_pointer_cast<ms::MessageServiceFactory>(
                                  std::make_shared<ms::LocalMessageServiceFactory>()));
    EXPECT_THROW(bundle->start(), std::runtime_error);
    EXPECT_EQ(bundle->service(), nullptr);
}

}  // namespace
