// The connection's writer: any thread may send, none waits for another's write, and a close never leaves a write
// on a descriptor that has been closed (and perhaps given to another socket). Its reader: frames that come in
// quick succession, which it reads itself rather than through the reactor, are handled in order up to the end.
// Replies go only to senders that take them.
#include <sys/socket.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <boost/asio/local/connect_pair.hpp>
#include <boost/asio/strand.hpp>
#include <gtest/gtest.h>

#include "cefexchange/messages.h"
#include "exchange_harness.h"
#include "foundation/msg_svc/exchange/stream_connection.h"

namespace {

using namespace exchange_test;
using Socket = exchange::StreamConnection::Socket;

// Why the connection ended, as its close handler heard it.
struct EndReport {
    std::mutex mutex;
    std::string reason;
    exchange::StreamConnection::CloseHandler handler() {
        return [this](const std::string& why) {
            std::lock_guard lock(mutex);
            reason = why;
        };
    }
    std::string get() {
        std::lock_guard lock(mutex);
        return reason;
    }
};

class StreamWriterTest : public ::testing::Test {
protected:
    void SetUp() override { initProtocols(); }
    void TearDown() override { pool->stop(); }

    // A connection to a bare socket that has handshaken as "partner".
    boost::shared_ptr<exchange::StreamConnection> connect(std::optional<RawEnd>& partner,
                                                          exchange::OutputLimits limits = {},
                                                          exchange::StreamConnection::CloseHandler onClose = {}) {
        Socket ours(boost::asio::make_strand(pool->ioContext()));
        Socket theirs(pool->ioContext());
        boost::asio::local::connect_pair(ours, theirs);
        partner.emplace(std::move(theirs));
        auto connection = exchange::StreamConnection::create(
            std::move(ours), local, {"local", kProtocol, kVersion}, [](const std::string&) { return true; },
            std::move(onClose), std::move(limits));
        connection->start();
        partner->writeHandshake("partner", kProtocol, kVersion);
        EXPECT_TRUE(eventually([&] { return connection->partnerName() == "partner"; }));
        return connection;
    }

    // A connection whose partner may send to the local exchange; the partner has read the handshake. How it ends
    // goes to end, which outlives every handler.
    boost::shared_ptr<exchange::StreamConnection> connectSender(std::optional<RawEnd>& partner) {
        auto connection = connect(partner, {}, end.handler());
        local->attachPartner("partner", connection);
        EXPECT_EQ(partner->readFrame()->kind_case(), exchange::wire::Frame::kHandshake);
        return connection;
    }

    EndReport end;
    boost::shared_ptr<foundation::io::IOServiceThreadpool> pool = foundation::io::IOServiceThreadpool::createThreadpool(4);
    boost::shared_ptr<exchange::DefaultExchange> local = boost::make_shared<exchange::DefaultExchange>("local");
};

TEST_F(StreamWriterTest, ThreadsSendingAtOnceWaitForNoOneAndEveryFrameArrivesWholeInEachThreadsOrder) {
    std::optional<RawEnd> partner;
    auto connection = connect(partner);
    ASSERT_EQ(partner->readFrame()->kind_case(), exchange::wire::Frame::kHandshake);
    constexpr int kThreads = 4;
    constexpr exchange::IDType kEach = 5000;
    std::vector<std::thread> senders;
    for (int thread = 0; thread < kThreads; ++thread) {
        senders.emplace_back([&, thread] {
            // The id names the thread and the frame's place in its order.
            for (exchange::IDType i = 0; i < kEach; ++i)
                connection->deliverReply(exchange::Address("partner", ""), thread * kEach + i, nullptr);
        });
    }
    std::vector<exchange::IDType> next(kThreads, 0);
    for (exchange::IDType received = 0; received < kThreads * kEach; ++received) {
        auto frame = partner->readFrame();
        ASSERT_TRUE(frame && frame->kind_case() == exchange::wire::Frame::kReply) << "after " << received;
        const exchange::IDType id = frame->reply().id();
        ASSERT_EQ(id % kEach, next.at(id / kEach)++) << "in the order its thread sent it";
    }
    for (auto& sender : senders) sender.join();
}

TEST_F(StreamWriterTest, MessagesSentOneAfterAnotherFromOneThreadCarryOnlyTheirOwnFields) {
    std::optional<RawEnd> first, second;
    auto toFirst = connect(first);
    auto toSecond = connect(second);
    ASSERT_EQ(first->readFrame()->kind_case(), exchange::wire::Frame::kHandshake);
    ASSERT_EQ(second->readFrame()->kind_case(), exchange::wire::Frame::kHandshake);
    const auto send = [](exchange::StreamConnection& connection, const std::string& sender,
                         const std::string& service, const std::string& url, exchange::IDType id) {
        connection.deliver(boost::make_shared<const exchange::Envelope>(
            boost::make_shared<cefexchange::SetURLMessage>("w", url),
            exchange::RouteInfo{exchange::Address(sender, ""), exchange::Address("partner", service)}, id));
    };
    const std::string longUrl(100000, 'u');
    send(*toFirst, "a long sender name that needs room", "a long service name too", longUrl, 7);
    send(*toSecond, "s", "", "", 8);
    send(*toFirst, "", "x", "short", 9);
    const auto expect = [](const exchange::wire::Frame& frame, const std::string& sender, const std::string& service,
                           const std::string& url, exchange::IDType id) {
        ASSERT_EQ(frame.kind_case(), exchange::wire::Frame::kMessage);
        EXPECT_EQ(frame.message().sender(), sender);
        EXPECT_EQ(frame.message().service(), service);
        EXPECT_EQ(frame.message().id(), id);
        const auto message = exchange::ExchangeProtocol::decode(frame.message().type(), frame.message().payload());
        const auto* setUrl = dynamic_cast<const cefexchange::SetURLMessage*>(message.get());
        ASSERT_NE(setUrl, nullptr);
        EXPECT_EQ(setUrl->getData().url(), url);
    };
    expect(*first->readFrame(), "a long sender name that needs room", "a long service name too", longUrl, 7);
    expect(*second->readFrame(), "s", "", "", 8);
    expect(*first->readFrame(), "", "x", "short", 9);
}

TEST_F(StreamWriterTest, ClosingWhileThreadsWriteLeavesNoByteForASocketThatReusesTheDescriptor) {
    for (int round = 0; round < 20; ++round) {
        std::optional<RawEnd> partner;
        auto connection = connect(partner);
        std::atomic<bool> closed{false};
        std::vector<std::thread> senders;
        for (int thread = 0; thread < 3; ++thread) {
            senders.emplace_back([&] {
                try {
                    for (exchange::IDType id = 1;; ++id) connection->deliverReply(exchange::Address("partner", ""), id, nullptr);
                } catch (const std::runtime_error&) {
                    // closed
                }
            });
        }
        std::thread reader([&] {
            while (!closed && partner->readFrame()) {
            }
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(round % 5));
        connection->close();
        closed = true;
        // Sockets made now take the descriptors just given back; none may receive anything.
        std::vector<std::pair<int, int>> fresh(8);
        for (auto& [a, b] : fresh) ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, &a), 0);
        for (auto& sender : senders) sender.join();
        reader.join();
        std::this_thread::sleep_for(5ms);
        for (auto [a, b] : fresh) {
            char byte;
            EXPECT_LT(::recv(a, &byte, 1, MSG_DONTWAIT), 0) << "round " << round;
            EXPECT_LT(::recv(b, &byte, 1, MSG_DONTWAIT), 0) << "round " << round;
            ::close(a);
            ::close(b);
        }
    }
}

TEST_F(StreamWriterTest, APartnerThatDoesNotReadIsRefusedOrDisconnectedAtItsLimitWithoutBlockingTheSender) {
    std::optional<RawEnd> slow;
    auto refusing = connect(slow, {1 << 20, 1 << 20, false, nullptr});
    std::optional<RawEnd> stuck;
    auto cutting = connect(stuck, {1 << 20, 1 << 20, true, nullptr});
    const auto bigReply = [](const boost::shared_ptr<exchange::StreamConnection>& connection) {
        for (exchange::IDType id = 1; id < 10'000'000; ++id)
            connection->deliverReply(exchange::Address("partner", ""), id, nullptr);
    };
    EXPECT_THROW(bigReply(refusing), std::runtime_error);
    EXPECT_TRUE(refusing->isOpen()) << "only refused";
    EXPECT_THROW(bigReply(cutting), std::runtime_error);
    EXPECT_FALSE(cutting->isOpen());
    EXPECT_TRUE(stuck->closedByOtherSide());
    // Once the partner reads, frames go again.
    while (slow->readFrame()->reply().id() < 1000) {
    }
    EXPECT_TRUE(eventually([&] {
        try {
            refusing->deliverReply(exchange::Address("partner", ""), 0, nullptr);
            return true;
        } catch (const std::runtime_error&) {
            return false;
        }
    }));
}

// A title message numbered as its id; with noReply, its sender takes no reply.
std::string titleFrame(int number, bool noReply = false) {
    const cefexchange::SetTitleMessage title("w", std::to_string(number));
    return messageFrame(exchange::ExchangeProtocol::typeName(title), exchange::ExchangeProtocol::encode(title),
                        static_cast<exchange::IDType>(number), cefexchange::CEFServiceAPI::serviceName, noReply);
}

// The titles the queue got, in order.
std::vector<std::string> titles(const RecordingQueue& queue) {
    std::vector<std::string> seen;
    for (const auto& envelope : queue.received())
        seen.push_back(dynamic_cast<const cefexchange::SetTitleMessage&>(*envelope->getMessage()).getData().title());
    return seen;
}

TEST_F(StreamWriterTest, FramesInQuickSuccessionAreHandledInOrderAndThePartnersEndIsReported) {
    auto queue = serveBrowserService(local, false);
    std::optional<RawEnd> partner;
    auto connection = connectSender(partner);
    std::vector<std::string> sent;
    for (int number = 0; number < 200; ++number) {
        const std::string frame = titleFrame(number);
        if (number % 3 == 0) {  // some frames arrive in two pieces
            partner->write(frame.substr(0, frame.size() / 2));
            partner->write(frame.substr(frame.size() / 2));
        } else {
            partner->write(frame);
        }
        sent.push_back(std::to_string(number));
    }
    partner.reset();
    ASSERT_TRUE(eventually([&] { return !end.get().empty(); }));
    EXPECT_EQ(end.get(), "the partner closed the connection");
    EXPECT_EQ(titles(*queue), sent);
    EXPECT_FALSE(connection->isOpen());
}

TEST_F(StreamWriterTest, AFrameThatBreaksTheStreamEndsTheConnectionAfterTheFramesBeforeIt) {
    auto queue = serveBrowserService(local, false);
    std::optional<RawEnd> partner;
    auto connection = connectSender(partner);
    partner->write(titleFrame(1) + titleFrame(2));
    partner->write(std::string("\x03\x00\x00\x00\xff\xff\xff", 7));  // a frame that does not parse
    ASSERT_TRUE(eventually([&] { return !end.get().empty(); }));
    EXPECT_NE(end.get().find("malformed"), std::string::npos) << end.get();
    EXPECT_EQ(titles(*queue), (std::vector<std::string>{"1", "2"}));
    EXPECT_TRUE(partner->closedByOtherSide());
}

TEST_F(StreamWriterTest, RepliesTravelOnlyToSendersThatTakeThem) {
    auto queue = serveBrowserService(local, true);
    std::optional<RawEnd> partner;
    auto connection = connectSender(partner);

    // The partner's messages: the first says it takes no reply, the second takes one.
    partner->write(titleFrame(1, true) + titleFrame(2));
    ASSERT_TRUE(queue->waitForCount(2));
    auto reply = partner->readFrame();
    ASSERT_TRUE(reply && reply->kind_case() == exchange::wire::Frame::kReply);
    EXPECT_EQ(reply->reply().id(), 2u) << "only the message that takes a reply is answered";

    // This side's messages say the same of themselves.
    const auto title = boost::make_shared<cefexchange::SetTitleMessage>("w", "t");
    const exchange::Address destination("partner", cefexchange::CEFServiceAPI::serviceName);
    local->send(title, destination, {});
    local->send(title, destination, [](const auto&) {});
    auto withoutCallback = partner->readFrame();
    auto withCallback = partner->readFrame();
    ASSERT_TRUE(withoutCallback && withCallback);
    EXPECT_TRUE(withoutCallback->message().no_reply());
    EXPECT_FALSE(withCallback->message().no_reply());
}

}  // namespace
