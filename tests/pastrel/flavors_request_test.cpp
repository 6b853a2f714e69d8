#include <gmock/gmock.h>

#include "BackendTest.h"

using ::testing::ElementsAre;

namespace {

class FlavorsRequest : public BackendTest {
protected:
    CapturedReply flavors(const std::string& text) {
        CapturedReply reply;
        backend->handleRequestForAvailableDataFlavors(JsonMessage(text), replyInto(reply));
        EXPECT_EQ(reply.calls, 1);
        return reply;
    }
};

TEST_F(FlavorsRequest, ListsTheClipboardsTypesInPlatformOrder) {
    putText(u"text/plain", u"a");
    putText(u"application/tarnel_json", u"b");
    putText(u"text/html", u"c");
    putText(u"text/rtf", u"only in the selection", selectionMode);
    auto reply = flavors(R"({"requestId": "f", "uid": "u"})");
    EXPECT_EQ(reply.text, R"({"flavors":["text/plain","application/tarnel_json","text/html"],"responseId":"f","success":true})");
    EXPECT_EQ(reply.uid, "u");
}

TEST_F(FlavorsRequest, UnparsedTextStillGetsAList) {
    putText(u"text/plain", u"a");
    auto reply = flavors("not json");
    EXPECT_EQ(reply.text, R"({"flavors":["text/plain"],"responseId":"","success":true})");
    EXPECT_THAT(logged(), ElementsAre("JSON Parse Error",
                                      "[handleRequestForAvailableDataFlavors] JSON message does not contain required fields 'requestid'",
                                      "[handleRequestForAvailableDataFlavors] UID is empty"));
}

TEST_F(FlavorsRequest, APlatformFailureRepliesFalse) {
    putText(u"text/plain", u"a");
    pf::clipboard::testing::setFailingCalls(pf::clipboard::testing::failListTypes);
    auto reply = flavors(R"({"requestId": "f", "uid": "u"})");
    EXPECT_EQ(reply.text, R"({"flavors":[],"responseId":"f","success":false})");
    EXPECT_EQ(reply.uid, "u");
    ASSERT_EQ(logged().size(), 1u);
    EXPECT_THAT(logged()[0], ::testing::StartsWith("[handleRequestForAvailableDataFlavors] getAvailableMimeTypesSync threw"));
}

TEST_F(FlavorsRequest, NonAsciiTypesComeBackAsUtf8) {
    putText(u"text/x-\u00e9", u"a");
    auto reply = flavors(R"({"requestId": "f"})");
    EXPECT_EQ(parseReply(reply.text)["flavors"], Value(JsonArray{"text/x-\xC3\xA9"}));
}

}  // namespace
