#include <atomic>
#include <future>

#include <gtest/gtest.h>

#include "cef/transport/cef_server_transport_listener.h"
#include "cef/transport/cef_server_transport_session.h"
#include "cefexchange/messages.h"
#include "exchange_harness.h"
#include "fl/i18n/conversion.h"
#include "foundation/msg_svc/transport/layers/session/testing.h"

namespace {

using namespace exchange_test;
using foundation::msg_svc::transport::layers::session::Session;
using foundation::msg_svc::transport::layers::session::testing::makeSession;

// This process listening for further peers on the process-wide exchange, as the browser host does.
class ListenerTest : public ::testing::Test {
protected:
    struct Connected {
        std::string name;
        std::string peerName;
        bool refused;
    };

    void SetUp() override {
        initProtocols();
        listening = cef::transport::CEFServerTransportSession::create();
        listening->init(pool, kProtocol, kVersion);
        listener = listening->listen({fl::i18n::to_ustring(listenPath)});
        listener->registerCallbacks(
            [this](const std::string& name, auto, std::shared_ptr<cef::transport::CEFServerTransportAPI> peer,
                   bool refused) {
                std::lock_guard lock(mutex);
                connected.push_back({name, peer->name(), refused});
            },
            [this](std::shared_ptr<cef::transport::CEFServerTransportAPI> peer) {
                std::lock_guard lock(mutex);
                disconnected.push_back(peer->name());
            },
            [this](const std::string& reason) {
                std::lock_guard lock(mutex);
                failures.push_back(reason);
            });
    }
    void TearDown() override {
        listening->terminate();
        pool->stop();
    }

    boost::shared_ptr<Session> attachPeer(const boost::shared_ptr<exchange::DefaultExchange>& peerExchange) {
        auto peer = makeSession(pool, peerExchange);
        peer->attachToParentClient("NamedPipeHandle", listenPath, {}, {});
        return peer;
    }
    template <class T>
    std::size_t countOf(const std::vector<T>& list) {
        std::lock_guard lock(mutex);
        return list.size();
    }
    exchange::Address serviceOf(const std::string& partner) const {
        return exchange::Address(partner, cefexchange::CEFServiceAPI::serviceName);
    }

    TempFolder folder;
    const std::string listenPath = folder / "listen.sock";
    boost::shared_ptr<foundation::io::IOServiceThreadpool> pool = foundation::io::IOServiceThreadpool::createThreadpool(4);
    boost::shared_ptr<exchange::DefaultExchange> local = exchange::ExchangeApi::defaultInstance();
    boost::shared_ptr<cef::transport::CEFServerTransportSession> listening;
    boost::shared_ptr<cef::transport::CEFServerTransportListener> listener;
    std::mutex mutex;
    std::vector<Connected> connected;
    std::vector<std::string> disconnected;
    std::vector<std::string> failures;
};

TEST_F(ListenerTest, APeerConnectsIsReachedByNameAndReachesUs) {
    auto peerExchange = boost::make_shared<exchange::DefaultExchange>("peer-1");
    auto peerQueue = serveBrowserService(peerExchange);
    auto localQueue = serveBrowserService(local);
    auto peer = attachPeer(peerExchange);
    EXPECT_EQ(peer->partnerName(), local->localName());
    ASSERT_TRUE(eventually([&] { return countOf(connected) == 1; }));
    EXPECT_EQ(connected[0].name, "peer-1");
    EXPECT_EQ(connected[0].peerName, "peer-1");
    EXPECT_FALSE(connected[0].refused);

    local->send(boost::make_shared<cefexchange::SetZoomLevelMessage>("w", 3), serviceOf("peer-1"));
    ASSERT_TRUE(peerQueue->waitForCount(1));
    auto zoom = boost::dynamic_pointer_cast<const cefexchange::SetZoomLevelMessage>(peerQueue->received()[0]->getMessage());
    ASSERT_TRUE(zoom);
    EXPECT_EQ(zoom->getData().zoom(), 3);

    std::promise<void> answered;
    peerExchange->send(boost::make_shared<cefexchange::SetCommandMessage>("w", "show"), serviceOf(local->localName()),
                       [&](const auto&) { answered.set_value(); });
    EXPECT_EQ(answered.get_future().wait_for(5s), std::future_status::ready);
    ASSERT_TRUE(localQueue->waitForCount(1));
    EXPECT_EQ(localQueue->received()[0]->getRouting().sender.partner(), "peer-1");
    local->unregisterMessageQueue(cefexchange::CEFServiceAPI::serviceName);
}

TEST_F(ListenerTest, APeerLeavingIsReportedAndNoLongerRouted) {
    auto peer = attachPeer(boost::make_shared<exchange::DefaultExchange>("peer-2"));
    ASSERT_TRUE(eventually([&] { return countOf(connected) == 1; }));
    peer->terminate();
    ASSERT_TRUE(eventually([&] { return countOf(disconnected) == 1; }));
    EXPECT_EQ(disconnected[0], "peer-2");
    EXPECT_THROW(local->send(boost::make_shared<cefexchange::SetURLMessage>("w", "u"), serviceOf("peer-2")),
                 std::runtime_error);
}

TEST_F(ListenerTest, ASecondPeerOfTheSameNameIsRefusedAndTheFirstKeepsItsRoute) {
    auto firstExchange = boost::make_shared<exchange::DefaultExchange>("twin");
    auto firstQueue = serveBrowserService(firstExchange);
    auto first = attachPeer(firstExchange);
    ASSERT_TRUE(eventually([&] { return countOf(connected) == 1; }));
    auto secondExchange = boost::make_shared<exchange::DefaultExchange>("twin");
    auto secondQueue = serveBrowserService(secondExchange);
    auto second = makeSession(pool, secondExchange);
    try {
        second->attachToParentClient("NamedPipeHandle", listenPath, {}, {});
    } catch (const std::runtime_error&) {
        // Refused before or after its handshake came back: either way it is not routed.
    }
    ASSERT_TRUE(eventually([&] { return countOf(connected) == 2; }));
    EXPECT_TRUE(connected[1].refused);
    local->send(boost::make_shared<cefexchange::SetURLMessage>("w", "u"), serviceOf("twin"));
    ASSERT_TRUE(firstQueue->waitForCount(1));
    std::this_thread::sleep_for(50ms);
    EXPECT_TRUE(secondQueue->received().empty());
    EXPECT_EQ(countOf(disconnected), 0u) << "the refused twin is no disconnect of the first";
}

TEST_F(ListenerTest, OversizeGarbageAndSilentHandshakesCloseOnlyTheirConnection) {
    {
        RawEnd beforeHandshake = RawEnd::connect(pool->ioContext(), listenPath);
        beforeHandshake.write(std::string("\x03\x00\x00\x00\xff\xff\xff", 7));
        EXPECT_TRUE(beforeHandshake.closedByOtherSide());
    }
    {
        RawEnd oversize = RawEnd::connect(pool->ioContext(), listenPath);
        oversize.writeHandshake("raw-peer", kProtocol, kVersion);
        oversize.write(std::string("\x01\x00\x00\x05", 4));  // 80 MiB declared
        EXPECT_TRUE(oversize.closedByOtherSide());
    }
    {
        RawEnd messageFirst = RawEnd::connect(pool->ioContext(), listenPath);
        exchange::wire::Frame frame;
        frame.mutable_reply()->set_id(1);
        messageFirst.write(exchange::encodeFrame(frame));
        EXPECT_TRUE(messageFirst.closedByOtherSide());
    }
    EXPECT_TRUE(eventually([&] { return countOf(failures) == 2; })) << "the two that never handshook";
    EXPECT_TRUE(eventually([&] { return countOf(disconnected) == 1; })) << "the one that did";

    auto peer = attachPeer(boost::make_shared<exchange::DefaultExchange>("after-garbage"));
    EXPECT_TRUE(eventually([&] { return countOf(connected) == 2; })) << "the listener still accepts";
}

// Payloads that do not decode, among them text that is not UTF-8, lose only themselves.
TEST_F(ListenerTest, UndecodableMessagesAreDroppedAndTheConnectionStays) {
    auto localQueue = serveBrowserService(local);
    RawEnd peer = RawEnd::connect(pool->ioContext(), listenPath);
    peer.writeHandshake("sloppy-peer", kProtocol, kVersion);
    ASSERT_TRUE(eventually([&] { return countOf(connected) == 1; }));
    const std::string latin1Title = std::string("\x0a\x01w\x12\x04" "caf\xe9", 10);
    peer.write(messageFrame("cefexchange::SetTitleMessage", latin1Title, 1));
    peer.write(messageFrame("cefexchange::SetURLMessage", "\xff\xff\xff", 2));
    peer.write(messageFrame(std::string("\xc3\x28", 2), "", 3));
    cefexchange::SetTitleMessage valid("w", "caf\xc3\xa9");
    peer.write(messageFrame("cefexchange::SetTitleMessage", valid.getData().SerializeAsString(), 4));
    ASSERT_TRUE(localQueue->waitForCount(1));
    EXPECT_EQ(localQueue->received()[0]->getMessageId(), 4u);
    EXPECT_EQ(countOf(disconnected), 0u);
    local->unregisterMessageQueue(cefexchange::CEFServiceAPI::serviceName);
}

// Connections that never handshake: a bounded number is taken in, each for a bounded time; the peer behind
// them gets its turn once they are dropped.
TEST_F(ListenerTest, SilentConnectionsAreDroppedAfterTheDeadlineAndHoldBackTheRestMeanwhile) {
    using Listener = cef::transport::CEFServerTransportListener;
    std::vector<RawEnd> silent;
    for (std::size_t i = 0; i < Listener::kMaxAwaitingHandshake; ++i)
        silent.push_back(RawEnd::connect(pool->ioContext(), listenPath));
    auto peerExchange = boost::make_shared<exchange::DefaultExchange>("patient-peer");
    auto waiting = std::async(std::launch::async, [&] { return attachPeer(peerExchange); });
    ASSERT_TRUE(eventually([&] { return countOf(failures) == Listener::kMaxAwaitingHandshake; }, 20s));
    for (auto& end : silent) EXPECT_TRUE(end.closedByOtherSide());
    EXPECT_NE(failures[0].find("no handshake within 5 s"), std::string::npos) << failures[0];
    ASSERT_TRUE(waiting.get());
    ASSERT_TRUE(eventually([&] { return countOf(connected) == 1; }));
    EXPECT_EQ(connected[0].name, "patient-peer");
}

// While the peers' shared output budget is spent, a newcomer's handshake cannot even be sent: that
// connection alone ends, once reported, whether refusals end connections or not, and accepting goes on.
TEST_F(ListenerTest, APeerWhoseHandshakeFindsTheBudgetSpentIsClosedAndAcceptingGoesOn) {
    for (const bool disconnectWhenRefused : {true, false}) {
        auto budget = std::make_shared<exchange::OutputBudget>(0);
        ASSERT_TRUE(budget->take(1));
        exchange::OutputLimits limits;
        limits.disconnectWhenRefused = disconnectWhenRefused;
        limits.sharedBudget = budget;
        const std::string path = folder / (disconnectWhenRefused ? "spent-disconnects.sock" : "spent.sock");
        auto spent = boost::make_shared<cef::transport::CEFServerTransportListener>(
            *pool, local, exchange::HandshakeInfo{local->localName(), kProtocol, kVersion},
            std::vector<std::string>{path}, limits);
        std::atomic<std::size_t> failed{0};
        spent->registerCallbacks({}, {}, [&](const std::string&) { ++failed; });

        RawEnd turnedAway = RawEnd::connect(pool->ioContext(), path);
        EXPECT_TRUE(turnedAway.closedByOtherSide());
        EXPECT_TRUE(eventually([&] { return failed == 1u; })) << failed;
        budget->giveBack(1);
        RawEnd next = RawEnd::connect(pool->ioContext(), path);
        const auto handshake = next.readFrame();
        ASSERT_TRUE(handshake);
        EXPECT_TRUE(handshake->has_handshake());
        spent->close();
        EXPECT_EQ(failed, 1u);
    }
}

TEST_F(ListenerTest, ListeningReplacesAStaleSocketButNotALiveOne) {
    EXPECT_THROW(listening->listen({fl::i18n::to_ustring(listenPath)}), std::runtime_error);
    const std::string stalePath = folder / "stale.sock";
    {
        boost::asio::io_context context;
        boost::asio::local::stream_protocol::acceptor left(context, boost::asio::local::stream_protocol::endpoint(stalePath));
    }
    ASSERT_TRUE(std::filesystem::exists(stalePath));
    auto replaced = listening->listen({fl::i18n::to_ustring(stalePath)});
    replaced->close();
    EXPECT_FALSE(std::filesystem::exists(stalePath)) << "a closed listener removes its socket file";
    EXPECT_THROW(cef::transport::CEFServerTransportSession::create()->listen({u"/tmp/x"}), std::logic_error);
}

}  // namespace
