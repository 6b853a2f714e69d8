#include <future>
#include <thread>

#include <boost/asio/local/stream_protocol.hpp>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cef/transport/testing.h"
#include "fl/i18n/conversion.h"
#include "cefexchange/messages.h"
#include "exchange_harness.h"
#include "foundation/msg_svc/exchange/testing.h"
#include "foundation/msg_svc/transport/layers/session/session.h"

namespace {

using namespace exchange_test;
using foundation::msg_svc::transport::layers::session::Session;
using ::testing::HasSubstr;

// The host: a listener on its own exchange, named "host", that the session under test attaches to.
class SessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        initProtocols();
        hostListening = cef::transport::testing::createSession(hostExchange);
        hostListening->init(pool, kProtocol, kVersion);
        hostListener = hostListening->listen({fl::i18n::to_ustring(hostPath)});
        hostListener->registerCallbacks(
            [this](const std::string& name, auto, auto, bool refused) {
                std::lock_guard lock(mutex);
                if (!refused) childNames.push_back(name);
            },
            {}, {});
    }
    void TearDown() override {
        session->terminate();
        hostListening->terminate();
        pool->stop();
    }

    exchange::Address hostService() const { return exchange::Address("host", cefexchange::CEFServiceAPI::serviceName); }
    exchange::Address childService() const {
        return exchange::Address(childExchange->localName(), cefexchange::CEFServiceAPI::serviceName);
    }

    TempFolder folder;
    const std::string hostPath = folder / "host.sock";
    boost::shared_ptr<foundation::io::IOServiceThreadpool> pool = foundation::io::IOServiceThreadpool::createThreadpool(4);
    boost::shared_ptr<exchange::DefaultExchange> hostExchange = boost::make_shared<exchange::DefaultExchange>("host");
    boost::shared_ptr<exchange::DefaultExchange> childExchange = exchange::ExchangeApi::defaultInstance();
    boost::shared_ptr<cef::transport::CEFServerTransportSession> hostListening;
    boost::shared_ptr<cef::transport::CEFServerTransportListener> hostListener;
    boost::shared_ptr<Session> session = Session::create(1, pool, "");
    std::mutex mutex;
    std::vector<std::string> childNames;
};

TEST_F(SessionTest, AttachExchangesNamesBothWays) {
    bool attached = false;
    EXPECT_THROW(session->partnerName(), std::runtime_error);
    EXPECT_TRUE(session->attachToParentClient("NamedPipeHandle", hostPath, {}, [&] { attached = true; }));
    EXPECT_TRUE(attached);
    EXPECT_EQ(session->partnerName(), "host");
    ASSERT_TRUE(eventually([&] {
        std::lock_guard lock(mutex);
        return !childNames.empty();
    }));
    EXPECT_EQ(childNames.front(), childExchange->localName());
    EXPECT_THROW(session->attachToParentClient("NamedPipeHandle", hostPath, {}, {}), std::logic_error);
}

TEST_F(SessionTest, MessagesTravelBothWaysWithTheirPayloadsAndAreAnswered) {
    auto hostQueue = serveBrowserService(hostExchange);
    auto childQueue = serveBrowserService(childExchange);
    session->attachToParentClient("NamedPipeHandle", hostPath, {}, {});

    std::promise<boost::shared_ptr<const exchange::Reply>> answered;
    auto title = boost::make_shared<cefexchange::SetTitleMessage>("w1", "Title \xc3\xbc");
    childExchange->send(title, exchange::Address(session->partnerName(), cefexchange::CEFServiceAPI::serviceName),
                        [&](const auto& reply) { answered.set_value(reply); });
    auto reply = answered.get_future();
    ASSERT_EQ(reply.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(reply.get(), exchange::Reply::defaultReply());
    ASSERT_TRUE(hostQueue->waitForCount(1));
    const auto arrived = hostQueue->received()[0];
    auto decoded = boost::dynamic_pointer_cast<const cefexchange::SetTitleMessage>(arrived->getMessage());
    ASSERT_TRUE(decoded) << "decoded by its type name into its own class";
    EXPECT_EQ(decoded->getData().windowid(), "w1");
    EXPECT_EQ(decoded->getData().title(), "Title \xc3\xbc");
    EXPECT_EQ(arrived->getRouting().sender.partner(), childExchange->localName());

    // The host's commands reach this process's queue over the same connection, every field intact.
    const auto created = boost::make_shared<cefexchange::NewWindowMessage>(
        "w2", "https://example.test/", 1, -2, 300, 400, 7, true, "Standard", "extra", true, "p1", "p2");
    const auto dropped = boost::make_shared<cefexchange::DroppedFileMessage>("w2", std::vector<std::string>{"/a", "/b"});
    const auto moved = boost::make_shared<cefexchange::SetPositionMessage>("w2", 1, 2, 3, 4, true, 1234567890123u, true);
    hostExchange->send(created, childService());
    hostExchange->send(dropped, childService());
    hostExchange->send(moved, childService());
    ASSERT_TRUE(childQueue->waitForCount(3));
    const auto received = childQueue->received();
    auto newWindow = boost::dynamic_pointer_cast<const cefexchange::NewWindowMessage>(received[0]->getMessage());
    auto files = boost::dynamic_pointer_cast<const cefexchange::DroppedFileMessage>(received[1]->getMessage());
    auto position = boost::dynamic_pointer_cast<const cefexchange::SetPositionMessage>(received[2]->getMessage());
    ASSERT_TRUE(newWindow && files && position) << "in sending order, each of its own type";
    EXPECT_EQ(newWindow->getData().SerializeAsString(), created->getData().SerializeAsString());
    EXPECT_EQ(files->getData().SerializeAsString(), dropped->getData().SerializeAsString());
    EXPECT_EQ(position->getData().timestamp(), 1234567890123u);
}

TEST_F(SessionTest, BurstsFromSeveralThreadsBeyondWhatTheSocketHoldsArriveWholeAndInEachSendersOrder) {
    auto hostQueue = serveBrowserService(hostExchange);
    session->attachToParentClient("NamedPipeHandle", hostPath, {}, {});
    constexpr int kSenders = 3;
    constexpr int kEach = 60;  // 60 x 64 KiB per sender: far more than a socket buffer, so writes wait
    std::vector<std::thread> senders;
    for (int sender = 0; sender < kSenders; ++sender) {
        senders.emplace_back([&, sender] {
            for (int i = 0; i < kEach; ++i) {
                std::string title(64 * 1024, static_cast<char>('a' + i % 26));
                title += "#" + std::to_string(i);
                childExchange->send(boost::make_shared<cefexchange::SetTitleMessage>(std::to_string(sender), title),
                                    hostService());
            }
        });
    }
    for (auto& thread : senders) thread.join();
    ASSERT_TRUE(hostQueue->waitForCount(kSenders * kEach));
    std::vector<int> next(kSenders, 0);
    for (const auto& envelope : hostQueue->received()) {
        auto title = boost::dynamic_pointer_cast<const cefexchange::SetTitleMessage>(envelope->getMessage());
        ASSERT_TRUE(title);
        int& expected = next.at(static_cast<std::size_t>(std::stoi(title->getData().windowid())));
        const std::string& text = title->getData().title();
        ASSERT_EQ(text.size(), 64u * 1024 + 1 + std::to_string(expected).size());
        EXPECT_EQ(text.substr(64 * 1024), "#" + std::to_string(expected));
        EXPECT_EQ(text.find_first_not_of(static_cast<char>('a' + expected % 26)), 64u * 1024) << "intact body";
        ++expected;
    }
    EXPECT_EQ(next, std::vector<int>(kSenders, kEach));
}

TEST(HeldMessages, AQueueThatAnswersAsItTakesThemGetsThoseThatCameBeforeIt) {
    initProtocols();
    auto local = boost::make_shared<exchange::DefaultExchange>("local");
    const exchange::Address destination("local", cefexchange::CEFServiceAPI::serviceName);
    auto early = boost::make_shared<exchange::testing::InboundLink>();
    local->attachPartner("early", early);
    for (exchange::IDType id = 1; id <= 2; ++id)
        local->receive(boost::make_shared<const exchange::Envelope>(
                           boost::make_shared<cefexchange::SetURLMessage>("w", "u"),
                           exchange::RouteInfo{exchange::Address("early", ""), destination}, id),
                       *early, 1);
    // The queue replies from inside submit, which goes back into the exchange.
    auto queue = serveBrowserService(local);
    ASSERT_EQ(queue->received().size(), 2u);
    EXPECT_EQ(queue->received()[0]->getMessageId(), 1u);
    EXPECT_EQ(queue->received()[1]->getMessageId(), 2u);
}

TEST_F(SessionTest, UndeliverableMessagesFailOrAreDroppedWithoutHarmingTheConnection) {
    class StrayMessage : public exchange::Message {
    public:
        void toString(std::ostream& stream, int) const override { stream << "stray"; }
    };
    auto hostQueue = serveBrowserService(hostExchange);
    session->attachToParentClient("NamedPipeHandle", hostPath, {}, {});
    EXPECT_THROW(childExchange->send(boost::make_shared<StrayMessage>(), hostService()), std::runtime_error)
        << "a type that cannot cross fails at the sender";
    childExchange->send(boost::make_shared<cefexchange::SetURLMessage>("w", "u"), exchange::Address("host", "NoSuchService"));
    childExchange->send(boost::make_shared<cefexchange::SetURLMessage>("w", "after"), hostService());
    ASSERT_TRUE(hostQueue->waitForCount(1));
    auto url = boost::dynamic_pointer_cast<const cefexchange::SetURLMessage>(hostQueue->received()[0]->getMessage());
    ASSERT_TRUE(url);
    EXPECT_EQ(url->getData().url(), "after");
}

TEST_F(SessionTest, ParentEndingTheConnectionRunsTheFirstCallbackOnce) {
    std::atomic<int> ended{0};
    session->attachToParentClient("NamedPipeHandle", hostPath, [&] { ++ended; }, {});
    ASSERT_TRUE(eventually([&] {
        std::lock_guard lock(mutex);
        return !childNames.empty();
    }));
    hostListening->terminate();
    ASSERT_TRUE(eventually([&] { return ended == 1; }));
    EXPECT_THROW(childExchange->send(boost::make_shared<cefexchange::SetURLMessage>("w", "u"), hostService()),
                 std::runtime_error)
        << "the parent is no longer routed";
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(ended, 1);
}

TEST_F(SessionTest, TerminateEndsTheConnectionWithoutTheCallback) {
    std::atomic<int> ended{0};
    session->attachToParentClient("NamedPipeHandle", hostPath, [&] { ++ended; }, {});
    const auto result = session->terminate();
    ASSERT_TRUE(result);
    EXPECT_TRUE(result->connectionEnded);
    EXPECT_FALSE(session->terminate()->connectionEnded) << "nothing is left to end";
    EXPECT_THROW(session->partnerName(), std::runtime_error);
    EXPECT_THROW(childExchange->send(boost::make_shared<cefexchange::SetURLMessage>("w", "u"), hostService()),
                 std::runtime_error);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(ended, 0);
}

TEST_F(SessionTest, AttachFailuresThrowWithADiagnostic) {
    const std::string missing = folder / "missing.sock";
    try {
        session->attachToParentClient("NamedPipeHandle", missing, {}, {});
        ADD_FAILURE() << "attached to a missing socket";
    } catch (const std::exception& error) {
        EXPECT_THAT(error.what(), HasSubstr(missing));
    }
    EXPECT_THROW(session->attachToParentClient("NamedPipeHandle", "", {}, {}), std::runtime_error);
    EXPECT_THROW(session->attachToParentClient("SharedMemoryHandle", hostPath, {}, {}), std::invalid_argument);
    EXPECT_THROW(session->attachToParentClient("NamedPipeHandle", std::string(200, 'x'), {}, {}), std::runtime_error);
    EXPECT_THROW(Session::create(2, pool, ""), std::invalid_argument);
    EXPECT_TRUE(session->attachToParentClient("NamedPipeHandle", hostPath, {}, {})) << "a failed attach can be retried";
}

// A parent driven by hand: it accepts one connection and answers as the test says.
class RawParent {
public:
    explicit RawParent(const std::string& path) : acceptor_(context_, boost::asio::local::stream_protocol::endpoint(path)) {}
    RawEnd accept() { return RawEnd(acceptor_.accept()); }

private:
    boost::asio::io_context context_;
    boost::asio::local::stream_protocol::acceptor acceptor_;
};

TEST_F(SessionTest, AParentOfAnotherVersionIsRefused) {
    const std::string path = folder / "old.sock";
    RawParent parent(path);
    auto answering = std::async(std::launch::async, [&] {
        RawEnd end = parent.accept();
        end.writeHandshake("old-host", kProtocol, "OLDER_VERSION");
        return end.closedByOtherSide();
    });
    try {
        session->attachToParentClient("NamedPipeHandle", path, {}, {});
        ADD_FAILURE() << "attached to a parent of another version";
    } catch (const std::runtime_error& error) {
        EXPECT_THAT(error.what(), HasSubstr("OLDER_VERSION"));
    }
    EXPECT_TRUE(answering.get());
}

TEST_F(SessionTest, OversizeOrGarbageFromTheParentClosesTheConnectionCleanly) {
    for (const std::string& bad : {std::string("\xff\xff\xff\xff", 4), std::string("\x05\x00\x00\x00garbage", 11)}) {
        const std::string path = folder / ("raw" + std::to_string(bad.size()) + ".sock");
        RawParent parent(path);
        std::promise<void> ended;
        auto answering = std::async(std::launch::async, [&] {
            RawEnd end = parent.accept();
            end.writeHandshake("raw-host", kProtocol, kVersion);
            EXPECT_TRUE(end.readFrame().has_value()) << "the session's handshake";
            end.write(bad);
            return end.closedByOtherSide();
        });
        auto rawSession = Session::create(1, pool, "");
        ASSERT_TRUE(rawSession->attachToParentClient("NamedPipeHandle", path, [&] { ended.set_value(); }, {}));
        EXPECT_TRUE(answering.get()) << "the session closes the stream";
        EXPECT_EQ(ended.get_future().wait_for(5s), std::future_status::ready);
    }
}

}  // namespace
