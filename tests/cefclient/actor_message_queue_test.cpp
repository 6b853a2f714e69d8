// The service queue: intake, delivery to the handler of each message type, replies and stopping.
#include <future>
#include <thread>

#include <boost/make_shared.hpp>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "RecordingService.h"
#include "cefclient/ActorMessageQueue.h"
#include "cefexchange/messages.h"
#include "foundation/msg_svc/exchange/exchange_api.h"

namespace {

namespace exchange = foundation::msg_svc::exchange;
using ::testing::ElementsAre;

using ServiceQueue = exchange::ActorMessageQueue<cefexchange::CEFServiceAPI>;

// A message of no service interface.
class StrayMessage : public exchange::Message {
public:
    void toString(std::ostream& stream, int) const override { stream << "stray"; }
};

class ActorMessageQueueTest : public ::testing::Test {
protected:
    void SetUp() override {
        queue = boost::make_shared<ServiceQueue>(service, exchange::ExchangeApi::defaultInstance());
        api->registerMessageQueue(cefexchange::CEFServiceAPI::serviceName, queue);
        delivery = std::thread([queue = queue] { queue->deliverMessages(); });
    }
    void TearDown() override {
        api->unregisterMessageQueue(cefexchange::CEFServiceAPI::serviceName);
        queue->stop();
        delivery.join();
    }

    exchange::Address local() const { return exchange::Address(api->localName(), cefexchange::CEFServiceAPI::serviceName); }

    // Sends and waits until the service has answered.
    boost::shared_ptr<const exchange::Reply> sendAndWait(const boost::shared_ptr<const exchange::Message>& message) {
        auto answered = std::make_shared<std::promise<boost::shared_ptr<const exchange::Reply>>>();
        api->send(message, local(), [answered](const auto& reply) { answered->set_value(reply); });
        return answered->get_future().get();
    }

    boost::shared_ptr<exchange::ExchangeApi> api = exchange::ExchangeApi::instance();
    boost::shared_ptr<RecordingService> service = boost::make_shared<RecordingService>();
    boost::shared_ptr<ServiceQueue> queue;
    std::thread delivery;
};

}  // namespace

TEST_F(ActorMessageQueueTest, MessageToThisProcessReachesItsHandlerAndIsAnswered) {
    auto reply = sendAndWait(boost::make_shared<cefexchange::SetTitleMessage>("w1", "Title"));
    EXPECT_EQ(reply, exchange::Reply::defaultReply());
    const auto handled = service->handled();
    ASSERT_EQ(handled.size(), 1u);
    EXPECT_EQ(handled[0].payloadType, "SetTitle");
    EXPECT_EQ(handled[0].windowID, "w1");
    EXPECT_EQ(handled[0].sender.partner(), api->localName());
}

TEST_F(ActorMessageQueueTest, EveryMessageTypeReachesItsOwnHandler) {
    const std::vector<boost::shared_ptr<const exchange::Message>> messages = {
        boost::make_shared<cefexchange::ProcessExitMessage>("a", 3),
        boost::make_shared<cefexchange::DroppedFileMessage>("b", std::vector<std::string>{"/x", "/y"}),
        boost::make_shared<cefexchange::SetPositionMessage>("c", 1, 2, 3, 4, true, 99u, false),
        boost::make_shared<cefexchange::PopUpWindowMessage>("parent", "about:blank", true, 7u, "child"),
        boost::make_shared<cefexchange::NewWindowMessage>("d", "u", 1, 2, 3, 4, 5, true, "Standard", "x", false,
                                                          "c1", "c2"),
    };
    for (const auto& message : messages) sendAndWait(message);
    std::vector<std::string> types;
    for (const auto& entry : service->handled()) types.push_back(entry.payloadType + ":" + entry.windowID);
    EXPECT_THAT(types, ElementsAre("ProcessExit:a", "DroppedFile:b", "SetPosition:c", "PopUpWindow:parent",
                                   "NewWindow:d"));
}

TEST_F(ActorMessageQueueTest, MessageOfAnotherInterfaceIsRefusedAtIntake) {
    EXPECT_THROW(api->send(boost::make_shared<StrayMessage>(), local()), exchange::UnexpectedMessage);
    sendAndWait(boost::make_shared<cefexchange::SetURLMessage>("w", "u"));
    EXPECT_EQ(service->handled().size(), 1u);
}

TEST_F(ActorMessageQueueTest, AFailingHandlerDoesNotEndDelivery) {
    api->send(boost::make_shared<cefexchange::SetIconMessage>(service->failingWindow, "i"), local());
    sendAndWait(boost::make_shared<cefexchange::SetIconMessage>("w", "i"));
    ASSERT_EQ(service->handled().size(), 1u);
    EXPECT_EQ(service->handled()[0].windowID, "w");
}

TEST(ActorMessageQueueStop, StopEndsAWaitingDeliveryAndLaterMessagesAreDropped) {
    auto service = boost::make_shared<RecordingService>();
    auto queue = boost::make_shared<ServiceQueue>(service, exchange::ExchangeApi::defaultInstance());
    std::thread delivery([&] { queue->deliverMessages(); });
    queue->stop();
    delivery.join();
    queue->submit(boost::make_shared<exchange::Envelope>(boost::make_shared<cefexchange::SetURLMessage>("w", "u"),
                                                         exchange::RouteInfo{}, 1));
    queue->deliverMessages();  // returns at once: the queue has stopped
    EXPECT_TRUE(service->handled().empty());
}

TEST(ActorMessageQueueStop, StopDuringDeliveryStillHandlesAndAnswersEveryMessageQueuedBeforeIt) {
    auto api = exchange::ExchangeApi::instance();
    auto service = boost::make_shared<RecordingService>();
    auto queue = boost::make_shared<ServiceQueue>(service, exchange::ExchangeApi::defaultInstance());
    api->registerMessageQueue(cefexchange::CEFServiceAPI::serviceName, queue);
    service->beforeHandling = [&](const std::string& windowID) {
        if (windowID == "stopper") queue->stop();
    };
    std::vector<std::string> answered;
    for (const char* window : {"first", "stopper", "queued"}) {
        api->send(boost::make_shared<cefexchange::SetURLMessage>(window, "u"),
                  exchange::Address(api->localName(), cefexchange::CEFServiceAPI::serviceName),
                  [&answered, window](const auto& reply) {
                      if (reply == exchange::Reply::defaultReply()) answered.push_back(window);
                  });
    }
    queue->deliverMessages();  // returns once the queue is empty after the stop
    api->unregisterMessageQueue(cefexchange::CEFServiceAPI::serviceName);
    std::vector<std::string> handled;
    for (const auto& entry : service->handled()) handled.push_back(entry.windowID);
    EXPECT_THAT(handled, ElementsAre("first", "stopper", "queued"));
    EXPECT_THAT(answered, ElementsAre("first", "stopper", "queued"));
}
