#include <sstream>
#include <thread>

#include <boost/make_shared.hpp>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cefexchange/cef_service_api.h"
#include "cefexchange/messages.h"
#include "foundation/msg_svc/exchange/default_exchange.h"
#include "foundation/msg_svc/exchange/exchange_api.h"
#include "foundation/msg_svc/exchange/message_queue.h"
#include "foundation/msg_svc/exchange/testing.h"
#include "foundation/msg_svc/transport/layers/session/testing.h"

namespace {

namespace exchange = foundation::msg_svc::exchange;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using exchange::testing::InboundLink;
using namespace std::chrono_literals;

TEST(ExchangeMessages, ConstructorArgumentsFillTheirPayloadFields) {
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

TEST(ExchangeRouting, UnknownDestinationsFailTheSend) {
    auto api = exchange::ExchangeApi::instance();
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

// Keeps the ids of the envelopes it is given.
class IdQueue : public exchange::MessageQueue {
public:
    IdQueue() : MessageQueue(boost::weak_ptr<exchange::ExchangeApi>()) {}
    void stop() override {}
    void submit(const boost::shared_ptr<const exchange::Envelope>& envelope) override {
        ids.push_back(envelope->getMessageId());
    }
    std::vector<exchange::IDType> ids;
};

boost::shared_ptr<const exchange::Envelope> fromPartner(const std::string& service, exchange::IDType id,
                                                        const std::string& sender = "partner") {
    return boost::make_shared<exchange::Envelope>(boost::make_shared<cefexchange::SetURLMessage>("w", "u"),
                                                  exchange::RouteInfo{exchange::Address(sender, ""),
                                                                      exchange::Address("local", service)},
                                                  id);
}

class ExchangeReceiving : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(local->attachNewPartner("partner", link)); }
    void receive(const std::string& service, exchange::IDType id, std::size_t bytes = 1) {
        local->receive(fromPartner(service, id), *link, bytes);
    }

    boost::shared_ptr<exchange::DefaultExchange> local = boost::make_shared<exchange::DefaultExchange>("local");
    boost::shared_ptr<InboundLink> link = boost::make_shared<InboundLink>();
};

TEST_F(ExchangeReceiving, MessagesFromAPartnerWaitInOrderForTheirServicesQueue) {
    receive("Early", 1);
    receive("Other", 2);
    receive("Early", 3);
    auto queue = boost::make_shared<IdQueue>();
    local->registerMessageQueue("Early", queue);
    receive("Early", 4);
    EXPECT_THAT(queue->ids, ElementsAre(1u, 3u, 4u));

    auto other = boost::make_shared<IdQueue>();
    local->registerMessageQueue("Other", other);
    EXPECT_THAT(other->ids, ElementsAre(2u));
}

TEST_F(ExchangeReceiving, OnlyABoundedNumberAndSizeOfMessagesWaitForAQueue) {
    for (exchange::IDType id = 0; id < exchange::DefaultExchange::kMaxHeldMessages; ++id) receive("Never", id);
    EXPECT_THROW(receive("Never", 0), std::runtime_error);

    auto fresh = boost::make_shared<exchange::DefaultExchange>("local");
    ASSERT_TRUE(fresh->attachNewPartner("partner", link));
    const std::size_t half = exchange::DefaultExchange::kMaxHeldBytes / 2;
    fresh->receive(fromPartner("Never", 1), *link, half);
    fresh->receive(fromPartner("Never", 2), *link, half);
    EXPECT_THROW(fresh->receive(fromPartner("Never", 3), *link, 1), std::runtime_error);
    auto queue = boost::make_shared<IdQueue>();
    fresh->registerMessageQueue("Never", queue);
    fresh->unregisterMessageQueue("Never");
    EXPECT_NO_THROW(fresh->receive(fromPartner("Never", 4), *link, half)) << "handed over, the bytes are free again";
}

TEST_F(ExchangeReceiving, MessagesThatWaitedTooLongAreDroppedAtTheNextArrival) {
    receive("Late", 1);
    std::this_thread::sleep_for(exchange::DefaultExchange::kMaxHeldWait + 100ms);
    receive("Late", 2);
    auto queue = boost::make_shared<IdQueue>();
    local->registerMessageQueue("Late", queue);
    EXPECT_THAT(queue->ids, ElementsAre(2u));
}

TEST_F(ExchangeReceiving, OnlyTheLinkServingASenderThatMaySendIsHeard) {
    auto queue = boost::make_shared<IdQueue>();
    local->registerMessageQueue("Service", queue);
    InboundLink impostor;
    EXPECT_THROW(local->receive(fromPartner("Service", 1), impostor, 1), std::runtime_error);
    EXPECT_THROW(local->receive(fromPartner("Service", 2, "stranger"), *link, 1), std::runtime_error);
    auto listener = boost::make_shared<InboundLink>();
    ASSERT_TRUE(local->attachNewPartner("listener", listener, exchange::PartnerRights::hearOnly));
    EXPECT_THROW(local->receive(fromPartner("Service", 3, "listener"), *listener, 1), std::runtime_error);
    local->attachPartner("listener", listener);
    local->receive(fromPartner("Service", 4, "listener"), *listener, 1);
    receive("Service", 5);
    EXPECT_THAT(queue->ids, ElementsAre(4u, 5u));
    local->send(boost::make_shared<cefexchange::SetURLMessage>("w", "u"), exchange::Address("listener", "Service"));
}

TEST(ExchangeSession, AttachedSessionNamesItsPartner) {
    auto session = foundation::msg_svc::transport::layers::session::testing::makeAttachedSession("host");
    EXPECT_EQ(session->partnerName(), "host");
}

}  // namespace
