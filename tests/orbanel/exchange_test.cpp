#include <sstream>

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

boost::shared_ptr<const exchange::Envelope> fromPartner(const std::string& service, exchange::IDType id) {
    return boost::make_shared<exchange::Envelope>(boost::make_shared<cefexchange::SetURLMessage>("w", "u"),
                                                  exchange::RouteInfo{exchange::Address("partner", ""),
                                                                      exchange::Address("local", service)},
                                                  id);
}

TEST(ExchangeRouting, MessagesFromAPartnerWaitInOrderForTheirServicesQueue) {
    auto local = boost::make_shared<exchange::DefaultExchange>("local");
    local->receive(fromPartner("Early", 1));
    local->receive(fromPartner("Other", 2));
    local->receive(fromPartner("Early", 3));
    auto queue = boost::make_shared<IdQueue>();
    local->registerMessageQueue("Early", queue);
    local->receive(fromPartner("Early", 4));
    EXPECT_THAT(queue->ids, ElementsAre(1u, 3u, 4u));

    auto other = boost::make_shared<IdQueue>();
    local->registerMessageQueue("Other", other);
    EXPECT_THAT(other->ids, ElementsAre(2u));
}

TEST(ExchangeRouting, OnlyABoundedNumberOfMessagesWaitForAQueue) {
    auto local = boost::make_shared<exchange::DefaultExchange>("local");
    for (exchange::IDType id = 0; id < exchange::DefaultExchange::kMaxHeldMessages; ++id)
        local->receive(fromPartner("Never", id));
    EXPECT_THROW(local->receive(fromPartner("Never", 0)), std::runtime_error);
}

TEST(ExchangeSession, AttachedSessionNamesItsPartner) {
    auto session = foundation::msg_svc::transport::layers::session::testing::makeAttachedSession("host");
    EXPECT_EQ(session->partnerName(), "host");
}

}  // namespace
