#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "Inbox.h"
#include "connector/message_service/LocalMessageServiceFactory.h"

namespace {

namespace ms = connector::message_service;
using namespace std::chrono_literals;

class LocalMessageServiceTest : public testing::Test {
protected:
    std::shared_ptr<ms::MessageService> open(const std::string& name) {
        return factory.createMessageService(name, {}).get();
    }
    ms::LocalMessageServiceFactory factory;
};

TEST_F(LocalMessageServiceTest, DeliversOnItsOwnThreadToTheSubscribersOfExactlyThatChannel) {
    auto sender = open("sender");
    auto receiver = open("receiver");
    std::atomic<std::thread::id> deliveredOn;
    tessivar_test::Inbox inbox;
    auto onA = receiver->subscribe("/a", [&](const ms::JsonMessage& message) {
        deliveredOn = std::this_thread::get_id();
        inbox.handler("/a")(message);
    }).get();
    auto onAB = receiver->subscribe("/a/b", inbox.handler("/a/b")).get();

    EXPECT_EQ(sender->publish("/a", ms::PayloadBuffer(std::string("{\"n\":1}"))).get()->receivers, 1u);
    EXPECT_EQ(sender->publish("/c", ms::PayloadBuffer(std::string("x"))).get()->receivers, 0u);
    auto first = inbox.next();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->channel, "/a");
    EXPECT_EQ(first->text, "{\"n\":1}");
    EXPECT_NE(deliveredOn.load(), std::this_thread::get_id());
    EXPECT_FALSE(inbox.next(0ms));
}

TEST_F(LocalMessageServiceTest, ReleasingTheHandleWaitsForARunningHandlerAndEndsDelivery) {
    auto client = open("client");
    std::atomic<bool> entered{false}, finished{false};
    auto handle = client->subscribe("/slow", [&](const ms::JsonMessage&) {
        entered = true;
        std::this_thread::sleep_for(50ms);
        finished = true;
    }).get();
    client->publish("/slow", ms::PayloadBuffer(std::string("1")));
    while (!entered) std::this_thread::yield();
    handle.reset();
    EXPECT_TRUE(finished);
    EXPECT_EQ(client->publish("/slow", ms::PayloadBuffer(std::string("2"))).get()->receivers, 0u);
}

TEST_F(LocalMessageServiceTest, ReleasingAHandleReturnsWhileTheDeliveryThreadIsNeverIdle) {
    auto client = open("client");
    // Each message publishes the next, so that work is always queued.
    auto echo = client->subscribe("/echo", [&client](const ms::JsonMessage& message) {
        client->publish("/echo", ms::PayloadBuffer(message.payload()));
    }).get();
    client->publish("/echo", ms::PayloadBuffer(std::string("again")));
    auto other = client->subscribe("/other", [](const ms::JsonMessage&) {}).get();
    other.reset();
    echo.reset();
    EXPECT_EQ(client->publish("/echo", ms::PayloadBuffer(std::string("1"))).get()->receivers, 0u);
}

TEST_F(LocalMessageServiceTest, AHandlerReleasedOnTheDeliveryThreadIsDestroyedAtOnce) {
    auto client = open("client");
    std::atomic<bool> destroyed{false};
    bool destroyedWhenReleased = false;
    std::shared_ptr<ms::Subscription> second;
    auto first = client->subscribe("/x", [&](const ms::JsonMessage&) {
        second.reset();
        destroyedWhenReleased = destroyed;
    }).get();
    auto life = std::shared_ptr<void>(nullptr, [&destroyed](void*) { destroyed = true; });
    second = client->subscribe("/x", [life](const ms::JsonMessage&) {}).get();
    life.reset();
    EXPECT_EQ(client->publish("/x", ms::PayloadBuffer(std::string("1"))).get()->receivers, 1u);
    EXPECT_TRUE(destroyedWhenReleased);
}

TEST_F(LocalMessageServiceTest, OperationsStartedInsideAHandlerCanBeWaitedForThere) {
    auto client = open("client");
    tessivar_test::Inbox inbox;
    std::shared_ptr<ms::Subscription> late;
    auto handle = client->subscribe("/first", [&](const ms::JsonMessage&) {
        late = client->subscribe("/late", inbox.handler("/late")).get();
        client->publish("/late", ms::PayloadBuffer(std::string("hello")));
    }).get();
    client->publish("/first", ms::PayloadBuffer(std::string("go")));
    auto message = inbox.next();
    ASSERT_TRUE(message);
    EXPECT_EQ(message->text, "hello");
    handle.reset();
    late.reset();
}

TEST_F(LocalMessageServiceTest, RefusesEmptyNamesAndSurvivesFailingHandlers) {
    EXPECT_THROW(open(""), std::invalid_argument);
    auto client = open("client");
    EXPECT_THROW(client->subscribe("", [](const ms::JsonMessage&) {}).get(), std::invalid_argument);

    tessivar_test::Inbox inbox;
    auto failing = client->subscribe("/x", [](const ms::JsonMessage&) { throw std::runtime_error("bad"); }).get();
    auto working = client->subscribe("/x", inbox.handler("/x")).get();
    EXPECT_EQ(client->publish("/x", ms::PayloadBuffer(std::string("1"))).get()->receivers, 2u);
    EXPECT_TRUE(inbox.next());
}

TEST_F(LocalMessageServiceTest, WatchFiresBeforeDeliverySoThatWhatItSubscribesGetsTheMessage) {
    auto client = open("client");
    tessivar_test::Inbox inbox;
    std::vector<std::string> fired;
    std::shared_ptr<ms::Subscription> late;
    auto watch = factory.watchChannels({"/svc/**", "/exact"}, [&] {
        fired.push_back("fire");
        if (!late) late = client->subscribe("/svc/a", inbox.handler("/svc/a")).get();
    });

    EXPECT_EQ(client->publish("/svc/a", ms::PayloadBuffer(std::string("first"))).get()->receivers, 1u);
    auto first = inbox.next();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->text, "first");

    for (const char* channel : {"/svc/b/c", "/exact", "/svc", "/svc/", "/svcx/a", "/exact/x", "/other"}) {
        client->publish(channel, ms::PayloadBuffer(std::string("x"))).get();
    }
    EXPECT_EQ(fired.size(), 3u) << "fired for /svc/a, /svc/b/c and /exact only";
    late.reset();
}

TEST_F(LocalMessageServiceTest, FailingWatchFailsThePublishButTheMessageIsStillDelivered) {
    auto client = open("client");
    tessivar_test::Inbox inbox;
    auto listener = client->subscribe("/svc/a", inbox.handler("/svc/a")).get();
    auto watch = factory.watchChannels({"/svc/**"}, [] { throw std::runtime_error("cannot start"); });
    auto published = client->publish("/svc/a", ms::PayloadBuffer(std::string("m")));
    EXPECT_THROW(
        try { published.get(); } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), "cannot start");
            throw;
        },
        std::runtime_error);
    EXPECT_TRUE(inbox.next());
}

TEST_F(LocalMessageServiceTest, ReleasingAWatchWaitsForARunningFireAndEndsIt) {
    auto client = open("client");
    std::atomic<bool> entered{false}, finished{false};
    std::atomic<int> fired{0};
    auto watch = factory.watchChannels({"/w"}, [&] {
        ++fired;
        entered = true;
        std::this_thread::sleep_for(50ms);
        finished = true;
    });
    client->publish("/w", ms::PayloadBuffer(std::string("1")));
    while (!entered) std::this_thread::yield();
    watch.reset();
    EXPECT_TRUE(finished);
    client->publish("/w", ms::PayloadBuffer(std::string("2"))).get();
    EXPECT_EQ(fired, 1);
}

}  // namespace
