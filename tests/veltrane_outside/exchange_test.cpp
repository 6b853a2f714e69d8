#include <future>
#include <sstream>
#include <thread>

#include <boost/make_shared.hpp>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cefexchange/messages.h"
#include "foundation/msg_svc/exchange/actor_message_queue.h"
#include "foundation/msg_svc/exchange/exchange_api.h"
#include "foundation/msg_svc/exchange/testing.h"
#include "foundation/msg_svc/transport/layers/session/testing.h"
#include "recording_service.h"

namespace {

namespace exchange = foundation::msg_svc::exchange;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

using ServiceQueue = exchange::ActorMessageQueue<cefexchange::CEFServiceAPI>;

// A message of no service interface.
class StrayMessage : public exchange::Message {
public:
    void toString(std::ostream& stream, int) const override { stream << "stray"; }
};

class ExchangeTest : public ::testing::Test {
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

TEST_F(ExchangeTest, MessageToThisProcessReachesItsHandlerAndIsAnswered) {
    auto reply = sendAndWait(boost::make_shared<cefexchange::SetTitleMessage>("w1", "Title"));
    EXPECT_EQ(reply, exchange::Reply::defaultReply());
    const auto handled = service->handled();
    ASSERT_EQ(handled.size(), 1u);
    EXPECT_EQ(handled[0].payloadType, "SetTitle");
    EXPECT_EQ(handled[0].windowID, "w1");
    EXPECT_EQ(handled[0].sender.partner(), api->localName());
}

TEST_F(ExchangeTest, EveryMessageTypeReachesItsOwnHandler) {
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

TEST_F(ExchangeTest, ConstructorArgumentsFillTheirPayloadFields) {
    const cefexchange::SetPositionMessage position("w", 1, 2, 3, 4, true, 1234567890123u, true);
    EXPECT_EQ(position.getData().x(), 1);
    EXPECT_EQ(position.getData().height(), 4);
    EXPECT_TRUE(position.getData().didendresize());
    EXPECT_EQ(position.getData().timestamp(), 1234567890123u);
    EXPECT_TRUE(position.getData().outer());

    const cefexchange::SetSizeMessage size("w", 800, 600, "MAX");
    EXPECT_EQ(size.getData().kind(), "MAX");
    EXPECT_EQ(size.getData().width(), 800);

    const cefexchange::DroppedFileMessage dropped("w", {"/a", "/b"});
    ASSERT_EQ(dropped.getData().filepaths_size(), 2);
    EXPECT_EQ(dropped.getData().filepaths(1), "/b");

    const cefexchange::NewWindowMessage created("w", "https://x/", 1, 2, 3, 4, 9, false, "Standard", "extra", true,
                                                "p1", "p2");
    EXPECT_EQ(created.getData().origin(), 9);
    EXPECT_FALSE(created.getData().visible());
    EXPECT_EQ(created.getData().windowextra(), "extra");
    EXPECT_TRUE(created.getData().windowflag());
    EXPECT_EQ(created.getData().createparam2(), "p2");

    std::ostringstream text;
    cefexchange::SetTitleMessage("w", "Hello").toString(text, 2);
    EXPECT_THAT(text.str(), HasSubstr("  SetTitleMessage"));
    EXPECT_THAT(text.str(), HasSubstr("\"Hello\""));
}

TEST_F(ExchangeTest, MessageOfAnotherInterfaceIsRefusedAtIntake) {
    EXPECT_THROW(api->send(boost::make_shared<StrayMessage>(), local()), exchange::UnexpectedMessage);
    sendAndWait(boost::make_shared<cefexchange::SetURLMessage>("w", "u"));
    EXPECT_EQ(service->handled().size(), 1u);
}

TEST_F(ExchangeTest, AFailingHandlerDoesNotEndDelivery) {
    api->send(boost::make_shared<cefexchange::SetIconMessage>(service->failingWindow, "i"), local());
    sendAndWait(boost::make_shared<cefexchange::SetIconMessage>("w", "i"));
    ASSERT_EQ(service->handled().size(), 1u);
    EXPECT_EQ(service->handled()[0].windowID, "w");
}

TEST_F(ExchangeTest, UnknownDestinationsFailTheSend) {
    auto message = boost::make_shared<cefexchange::SetURLMessage>("w", "u");
    EXPECT_THROW(api->send(message, exchange::Address(api->localName(), "NoSuchService")), std::runtime_error);
    EXPECT_THROW(api->send(message, exchange::Address("nobody", cefexchange::CEFServiceAPI::serviceName)),
                 std::runtime_error);
}

TEST(ExchangePartner, SendsToAPartnerAreRecordedInOrder) {
    auto api = exchange::ExchangeApi::instance();
    exchange::testing::RecordingPartner host("host");
    exchange::testing::RecordingPartner peer("peer-1");
    auto title = boost::make_shared<cefexchange::SetTitleMessage>("w", "T");
    api->send(title, exchange::Address("host", cefexchange::CEFServiceAPI::serviceName));
    api->send(title, exchange::Address("peer-1", cefexchange::CEFServiceAPI::serviceName));
    api->send(boost::make_shared<cefexchange::SetZoomLevelMessage>("w", 2),
              exchange::Address("host", cefexchange::CEFServiceAPI::serviceName));

    const auto sent = host.sent();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].destination, exchange::Address("host", cefexchange::CEFServiceAPI::serviceName));
    EXPECT_EQ(sent[0].message, title);  // the same object, not a copy
    EXPECT_LT(sent[0].messageId, sent[1].messageId);
    ASSERT_EQ(host.sentOfType<cefexchange::SetZoomLevelMessage>().size(), 1u);
    EXPECT_EQ(host.sentOfType<cefexchange::SetZoomLevelMessage>()[0]->getData().zoom(), 2);
    EXPECT_EQ(peer.sent().size(), 1u);
}

TEST(ExchangePartner, AFailingPartnerThrowsAndRecordsNothing) {
    auto api = exchange::ExchangeApi::instance();
    auto message = boost::make_shared<cefexchange::SetTitleMessage>("w", "T");
    {
        exchange::testing::RecordingPartner host("host");
        host.failSends("link broken");
        try {
            api->send(message, exchange::Address("host", cefexchange::CEFServiceAPI::serviceName));
            ADD_FAILURE() << "send did not fail";
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), "link broken");
        }
        EXPECT_TRUE(host.sent().empty());
        host.failSends(std::nullopt);
        api->send(message, exchange::Address("host", cefexchange::CEFServiceAPI::serviceName));
        EXPECT_EQ(host.sent().size(), 1u);
    }
    // Gone with the partner: its name no longer routes.
    EXPECT_THROW(api->send(message, exchange::Address("host", cefexchange::CEFServiceAPI::serviceName)),
                 std::runtime_error);
}

TEST(ExchangeSession, AttachedSessionNamesItsPartner) {
    auto session = foundation::msg_svc::transport::layers::session::testing::makeAttachedSession("host");
    EXPECT_EQ(session->partnerName(), "host");
}

TEST(ExchangeQueue, StopEndsAWaitingDeliveryAndLaterMessagesAreDropped) {
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

}  // namespace
