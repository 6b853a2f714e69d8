#include <gtest/gtest.h>
#include <link.h>

#include <nlohmann/json.hpp>
#include <string_view>

#include "BundleHost.h"
#include "pf/clipboard/testing.h"
#include "pf/event/testing.h"

namespace {

namespace ms = connector::message_service;

const std::string prefix = "/v2/clipboardservice/";

// Whether the plug-in's library is mapped into the process now.
bool pluginLoaded() {
    bool loaded = false;
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* found) {
            if (std::string_view(info->dlpi_name).ends_with("/libTessivar.so")) *static_cast<bool*>(found) = true;
            return 0;
        },
        &loaded);
    return loaded;
}

// A host that shares the platform clipboard with the plug-in and goes on using it once the plug-in is gone.
class PluginUnloadTest : public tessivar_test::BundleHost {
protected:
    void SetUp() override {
        ASSERT_FALSE(pluginLoaded());
        BundleHost::SetUp();
        listen(prefix + "responseRegisterClipboardChange");
        listen(prefix + "clipboardChange");
        listen("/host/marker");
    }

    void subscribeToChanges() {
        host->publish(prefix + "reqRegisterClipboardChange", ms::PayloadBuffer(std::string(R"({"requestId": "c"})")));
        auto reply = inbox.next();
        ASSERT_TRUE(reply);
        EXPECT_EQ(nlohmann::json::parse(reply->text)["success"], "true");
    }
    // A change made as another program would, delivered to whoever still listens.
    void changeClipboard() {
        pf::clipboard::testing::putForeignContent(u"text/plain", std::u16string(u"changed"),
                                                  pf::clipboard::PFClipboardModeClipboard);
        pf::event::testing::waitUntilDelivered();
    }
    // The channel of the next message; a marker published now arrives after whatever was published before.
    std::string nextChannelBeforeMarker() {
        host->publish("/host/marker", ms::PayloadBuffer(std::string("{}")));
        auto message = inbox.next();
        return message ? message->channel : "nothing";
    }
};

TEST_F(PluginUnloadTest, ClipboardChangesAfterTheUnloadReachNothingOfThePlugin) {
    subscribeToChanges();
    changeClipboard();
    EXPECT_EQ(nextChannelBeforeMarker(), prefix + "clipboardChange");
    EXPECT_EQ(nextChannelBeforeMarker(), "/host/marker");

    bundle->stop();
    bundle.reset();
    ASSERT_FALSE(pluginLoaded()) << "the test proves nothing while the library stays mapped";

    changeClipboard();
    EXPECT_EQ(nextChannelBeforeMarker(), "/host/marker");
}

TEST_F(PluginUnloadTest, AServiceTheHostStillHoldsKeepsThePluginLoadedUntilReleased) {
    subscribeToChanges();
    auto service = bundle->service();
    ASSERT_NE(service, nullptr);

    bundle.reset();
    EXPECT_TRUE(pluginLoaded());
    changeClipboard();
    EXPECT_EQ(nextChannelBeforeMarker(), prefix + "clipboardChange");
    EXPECT_EQ(nextChannelBeforeMarker(), "/host/marker");

    service.reset();
    EXPECT_FALSE(pluginLoaded());
    changeClipboard();
    EXPECT_EQ(nextChannelBeforeMarker(), "/host/marker");
}

TEST_F(PluginUnloadTest, AHostHandlerMayUnloadThePluginWhileItsChannelIsBeingDelivered) {
    // Heard before the plug-in, which subscribes when its component starts.
    const std::string channel = prefix + "requestAvailableDataFlavors";
    subscriptions.push_back(host->subscribe(channel, [this](const ms::JsonMessage&) { bundle.reset(); }).get());
    subscribeToChanges();

    EXPECT_EQ(host->publish(channel, ms::PayloadBuffer(std::string("{}"))).get()->receivers, 1u);
    ASSERT_FALSE(pluginLoaded());
    changeClipboard();
    EXPECT_EQ(nextChannelBeforeMarker(), "/host/marker");
}

}  // namespace
