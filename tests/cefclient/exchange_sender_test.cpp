// Reports over the exchange: the sender's destinations and failures, and what the sink and the registry send.
#include <atomic>
#include <vector>

#include <boost/make_shared.hpp>

#include <gtest/gtest.h>

#include "cef/transport/cef_server_transport_api.h"
#include "cefclient/Loggers.h"
#include "cefclient/NativeWindowManager.h"
#include "cefclient/WindowEventHandler.h"
#include "cefclient/tarnel_interface.h"
#include "cefexchange/cef_service_api.h"
#include "cefexchange/messages.h"
#include "foundation/log/testing.h"
#include "foundation/msg_svc/exchange/testing.h"
#include "foundation/msg_svc/transport/layers/session/testing.h"
#include "veltranelib/app_startup.h"
#include "veltranelib/main_message_loop_std.h"

using foundation::msg_svc::exchange::Address;
using foundation::msg_svc::exchange::testing::RecordingPartner;

namespace {

// The exchange transport is chosen from the command line before anything else is made.
class ExchangeModeEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        const char* argv[] = {"Veltrane", "--from-webwindow", "-NamedPipeHandle", "/tmp/veltrane-no-such-socket"};
        AppInitCommandLine(4, argv);
    }
};

[[maybe_unused]] const auto* const environment = ::testing::AddGlobalTestEnvironment(new ExchangeModeEnvironment);

class FakePeer : public cef::transport::CEFServerTransportAPI {
public:
    explicit FakePeer(std::string name) : name_(std::move(name)) {}
    std::string name() const override { return name_; }
    void close() override { ++closed; }

    std::atomic<int> closed{0};

private:
    std::string name_;
};

class ExchangeSenderTest : public ::testing::Test {
protected:
    void SetUp() override {
        bridge().setExchangeSession(foundation::msg_svc::transport::layers::session::testing::makeAttachedSession("host"));
    }
    void TearDown() override {
        for (const auto& peer : joined) bridge().onPeerDisconnected(peer);
    }
    static client::tarnel_interface& bridge() { return *client::tarnel_interface::instance(); }
    // A peer that has joined under its name; it leaves when the test ends.
    std::shared_ptr<FakePeer> join(const std::string& name) {
        auto peer = joined.emplace_back(std::make_shared<FakePeer>(name));
        bridge().onPeerConnected(name, joined.size(), peer, false);
        return peer;
    }

    std::vector<std::shared_ptr<FakePeer>> joined;

    client::MainMessageLoopStd loop;
    RecordingPartner host{"host"};
};

// A listening peer that counts how often it was closed.
}  // namespace

TEST_F(ExchangeSenderTest, PeersJoinOnceByTheirOwnNameAndLeaveByIt) {
    RecordingPartner peerA("peer-a");
    auto first = std::make_shared<FakePeer>("peer-a");
    auto second = std::make_shared<FakePeer>("peer-a");
    auto refused = std::make_shared<FakePeer>("peer-b");
    bridge().onPeerConnected("not the peer's own name", 1, first, false);
    bridge().onPeerConnected("peer-a", 2, second, false);
    bridge().onPeerConnected("peer-b", 3, refused, true);
    bridge().sendMessageUsingExchange(boost::make_shared<cefexchange::SetTitleMessage>("w", "one"));
    EXPECT_EQ(peerA.sent().size(), 1u);

    bridge().shutdownAttachableServer();
    EXPECT_EQ(first->closed, 0) << "the exchange took the name from the newcomer: the first one's link is gone";
    EXPECT_EQ(second->closed, 1);
    EXPECT_EQ(refused->closed, 0);
    bridge().setExchangeSession(foundation::msg_svc::transport::layers::session::testing::makeAttachedSession("host"));
    bridge().sendMessageUsingExchange(boost::make_shared<cefexchange::SetTitleMessage>("w", "two"));
    EXPECT_EQ(peerA.sent().size(), 1u) << "the shut-down forgets every peer";

    bridge().onPeerConnected("peer-a", 4, second, false);
    bridge().onPeerDisconnected(second);
    bridge().sendMessageUsingExchange(boost::make_shared<cefexchange::SetTitleMessage>("w", "three"));
    EXPECT_EQ(peerA.sent().size(), 1u);
    EXPECT_EQ(host.sent().size(), 3u);
}

// A peer that comes back under its name before its old connection's end is reported keeps hearing the events.
TEST_F(ExchangeSenderTest, APeerBackUnderItsNameBeforeItsOldEndIsReportedStillHears) {
    RecordingPartner peerA("peer-a");
    auto old = join("peer-a");
    auto back = join("peer-a");
    bridge().onPeerDisconnected(old);
    bridge().sendMessageUsingExchange(boost::make_shared<cefexchange::SetTitleMessage>("w", "still heard"));
    EXPECT_EQ(peerA.sent().size(), 1u);
}

// A peer under the host's name, joined before the host attached or after: disconnected, and the host hears once.
TEST_F(ExchangeSenderTest, APeerUnderTheHostsNameIsDisconnectedAndTheHostHearsEachEventOnce) {
    auto early = std::make_shared<FakePeer>("host");
    bridge().setExchangeSession(nullptr);
    bridge().onPeerConnected("host", 1, early, false);
    bridge().setExchangeSession(foundation::msg_svc::transport::layers::session::testing::makeAttachedSession("host"));
    bridge().disconnectPeerNamedLikeHost();
    EXPECT_EQ(early->closed, 1);

    auto late = std::make_shared<FakePeer>("host");
    bridge().onPeerConnected("host", 2, late, false);
    EXPECT_EQ(late->closed, 1);
    bridge().sendMessageUsingExchange(boost::make_shared<cefexchange::SetTitleMessage>("w", "once"));
    EXPECT_EQ(host.sent().size(), 1u);
}

TEST_F(ExchangeSenderTest, WithoutPeersOnlyThePartnerHearsTheMessageOnce) {
    ASSERT_FALSE(bridge().isUsingPipes());
    auto message = boost::make_shared<cefexchange::SetTitleMessage>("w", "Title");
    bridge().sendMessageUsingExchange(message);
    const auto sent = host.sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].destination, Address("host", cefexchange::CEFServiceAPI::serviceName));
    EXPECT_EQ(sent[0].message.get(), message.get());
}

TEST_F(ExchangeSenderTest, PartnerComesFirstThenEveryPeerOnceByItsName) {
    RecordingPartner peerA("peer-a");
    RecordingPartner peerB("peer-b");
    join("peer-a");
    join("peer-b");
    bridge().sendMessageUsingExchange(boost::make_shared<cefexchange::PDFEventMessage>("w", true));
    ASSERT_EQ(host.sent().size(), 1u);
    ASSERT_EQ(peerA.sent().size(), 1u);
    ASSERT_EQ(peerB.sent().size(), 1u);
    EXPECT_EQ(peerA.sent()[0].destination, Address("peer-a", cefexchange::CEFServiceAPI::serviceName));
    EXPECT_LT(host.sent()[0].messageId, peerA.sent()[0].messageId);
    EXPECT_LT(host.sent()[0].messageId, peerB.sent()[0].messageId);
}

TEST_F(ExchangeSenderTest, AFailedSendIsLoggedOnceAndCostsNoOtherDestinationItsMessage) {
    RecordingPartner peerA("peer-a");
    RecordingPartner peerB("peer-b");
    join("peer-a");
    join("peer-b");
    foundation::log::testing::record_capture capture;
    veltrane_log::bridgeLogger().set_mask(256);
    host.failSends("link down");
    bridge().sendMessageUsingExchange(boost::make_shared<cefexchange::SetZoomLevelMessage>("w", 3));
    host.failSends(std::nullopt);
    peerA.failSends("peer full");
    bridge().sendMessageUsingExchange(boost::make_shared<cefexchange::SetZoomLevelMessage>("w", 4));
    veltrane_log::bridgeLogger().set_mask(0);
    EXPECT_EQ(host.sent().size(), 1u);
    EXPECT_EQ(peerA.sent().size(), 1u);
    EXPECT_EQ(peerB.sent().size(), 2u) << "heard whichever peer comes first in the map";
    const auto records = capture.records("client::tarnel_interface");
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].message.rfind("Failed to send message0x", 0), 0u) << records[0].message;
    EXPECT_NE(records[0].message.find("due to exceptionlink down"), std::string::npos) << records[0].message;
    EXPECT_NE(records[1].message.find("due to exceptionpeer full"), std::string::npos) << records[1].message;
}

TEST_F(ExchangeSenderTest, WithoutSessionNothingIsSentAndTheFailureIsLogged) {
    bridge().setExchangeSession(nullptr);
    foundation::log::testing::record_capture capture;
    veltrane_log::bridgeLogger().set_mask(256);
    bridge().sendMessageUsingExchange(boost::make_shared<cefexchange::SetIconMessage>("w", "i"));
    veltrane_log::bridgeLogger().set_mask(0);
    EXPECT_TRUE(host.sent().empty());
    EXPECT_EQ(capture.records("client::tarnel_interface").size(), 1u);
}

TEST_F(ExchangeSenderTest, SinkReportsTheExchangeMessages) {
    scoped_refptr<WindowEventHandler> handler(new WindowEventHandler("w", true));
    handler->notifyDragDropEvent({});
    handler->windowCreatedEvent("https://p.test/", "child", "parent", true, 9);
    handler->getOuterPositionEvent(1, 2, 3, 4);
    handler->OnSetMaxSize(800, 600);
    handler->closeEvent();
    handler->loadFinishedEvent("", "https://done.test/");

    const auto dropped = host.sentOfType<cefexchange::DroppedFileMessage>();
    ASSERT_EQ(dropped.size(), 1u);
    EXPECT_EQ(dropped[0]->getData().filepaths_size(), 0);
    const auto popUps = host.sentOfType<cefexchange::PopUpWindowMessage>();
    ASSERT_EQ(popUps.size(), 1u);
    EXPECT_EQ(popUps[0]->getData().windowid(), "parent");
    const auto positions = host.sentOfType<cefexchange::GetPositionMessage>();
    ASSERT_EQ(positions.size(), 1u);
    EXPECT_TRUE(positions[0]->getData().outer());
    const auto sizes = host.sentOfType<cefexchange::SetSizeMessage>();
    ASSERT_EQ(sizes.size(), 1u);
    EXPECT_EQ(sizes[0]->getData().kind(), "MAX");
    std::vector<std::string> commands;
    for (const auto& m : host.sentOfType<cefexchange::SetCommandMessage>()) commands.push_back(m->getData().command());
    EXPECT_EQ(commands, (std::vector<std::string>{"windowClosingEvent", "loadFinished"}));
    ASSERT_EQ(host.sentOfType<cefexchange::SetURLMessage>().size(), 1u);
}

TEST_F(ExchangeSenderTest, RegistryAndDownloadPathReportOverTheExchange) {
    NativeWindowManager manager(false);
    scoped_refptr<window_notifier::IVeltraneInterface> sink(new WindowEventHandler("r", true));
    auto window = NativeWindow::makeNativeWindow("r", true, sink, "", "");
    manager.registerWebWindow(window);
    manager.setDeactivateAllButThis(window, true);
    manager.setActivateAllWindows(true);
    const auto modal = host.sentOfType<cefexchange::SetWindowModalMessage>();
    ASSERT_EQ(modal.size(), 1u);
    EXPECT_TRUE(modal[0]->getData().modal());
    ASSERT_EQ(host.sentOfType<cefexchange::SetAllWindowActivatedMessage>().size(), 1u);
    ASSERT_EQ(host.sentOfType<cefexchange::SetCommandMessage>().size(), 1u);
    EXPECT_EQ(host.sentOfType<cefexchange::SetCommandMessage>()[0]->getData().command(), "setActivateCurrentWindow");

    bridge().setDownloadPath("/tmp/exchange-downloads");
    const auto dirs = host.sentOfType<cefexchange::SetDownloadDirMessage>();
    ASSERT_EQ(dirs.size(), 1u);
    EXPECT_EQ(dirs[0]->getData().path(), "/tmp/exchange-downloads");
}
