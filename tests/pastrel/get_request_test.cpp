#include <gmock/gmock.h>

#include <variant>

#include "BackendTest.h"

using ::testing::Contains;
using ::testing::ElementsAre;

namespace {

// An image whose export fails the way a mismatched platform object does.
class BrokenImage : public pf::graphics::PFGraphics {
public:
    void exportGraphics(pf::graphics::PFGraphicsBuffer&, int, int,
                        const pf::graphics::PFGraphicsVectorExportData&) const override {
        std::variant<int, double> held = 1;
        (void)std::get<double>(held);
    }
};

class GetRequest : public BackendTest {
protected:
    JsonObject get(const std::string& text, pf::clipboard::PFClipboardMode mode = clipboardMode) {
        CapturedReply reply;
        backend->handleGetClipboardDataRequest(JsonMessage(text), mode, replyInto(reply));
        EXPECT_EQ(reply.calls, 1);
        lastUid = reply.uid;
        return parseReply(reply.text);
    }

    std::string lastUid;
};

TEST_F(GetRequest, ReadsEachNamedFlavourInItsForm) {
    CapturedReply setReply;
    backend->handleSetClipboardDataRequest(JsonMessage(R"({"requestId": "s", "contents": [
        {"flavor": "text/plain", "content": "plain"},
        {"flavor": "application/tarnel_json", "content": "{\"a\":1}"},
        {"flavor": "image/png", "content": "AAAA"},
        {"flavor": "text/uri-list", "content": ["/x/y", "/z"]}]})"),
                                           clipboardMode, replyInto(setReply));
    auto reply = get(R"({"requestId": "g", "uid": "u", "flavors": ["text/plain", "video/mp4", "image/png",
        "text/uri-list", "application/tarnel_json", "text/html"]})");
    EXPECT_EQ(lastUid, "u");
    EXPECT_EQ(reply["success"], Value(true));
    EXPECT_EQ(reply["responseId"], Value("g"));
    EXPECT_EQ(reply["contents"],
              Value(JsonObject{{"text/plain", "plain"},
                               {"application/tarnel_json", "{\"a\":1}"},
                               {"image/png", JsonObject{{"__type__", "image"}, {"__value__", "data:image/png;base64,AAAA"}}},
                               {"text/uri-list", JsonArray{"/x/y", "/z"}}}));
}

TEST_F(GetRequest, AnEmptyListReadsTheClipboardsFlavoursInTheRequestedMode) {
    putText(u"text/plain", u"from clipboard");
    putText(u"text/html", u"<i>clipboard</i>");
    putText(u"text/plain", u"from selection", selectionMode);
    auto reply = get(R"({"requestId": "g", "flavors": []})", selectionMode);
    EXPECT_EQ(reply["success"], Value(true));
    EXPECT_EQ(reply["contents"], Value(JsonObject{{"text/plain", "from selection"}}));
    EXPECT_THAT(logged(), Contains("[handleRequestForAvailableDataFlavors] JSON message does not contain required fields 'requestid'"));
}

TEST_F(GetRequest, AnEmptyListFallsBackToTheDefaultFlavoursWhenTheTypeListFails) {
    putText(u"text/plain", u"plain");
    putText(u"text/html", u"<b>html</b>");
    putText(u"text/rtf", u"not a default flavour");
    pf::clipboard::testing::setFailingCalls(pf::clipboard::testing::failListTypes);
    auto reply = get(R"({"requestId": "g", "flavors": []})");
    EXPECT_EQ(reply["success"], Value(true));
    EXPECT_EQ(reply["contents"], Value(JsonObject{{"text/plain", "plain"}, {"text/html", "<b>html</b>"}}));
    EXPECT_THAT(logged(), Contains("[handleGetClipboardDataRequest] JSON message does not contain required fields "
                                   "from handleRequestForAvailableDataFlavors API"));
}

TEST_F(GetRequest, FlavoursOfNoKnownFamilyAreSetButNeverRead) {
    CapturedReply setReply;
    backend->handleSetClipboardDataRequest(
        JsonMessage(R"({"requestId": "s", "contents": [{"flavor": "video/mp4", "content": "clip"}]})"), clipboardMode,
        replyInto(setReply));
    EXPECT_EQ(textOn(u"video/mp4"), u"clip");
    pf::clipboard::testing::putForeignContent(u"audio/ogg", std::vector<std::byte>{std::byte{'o'}}, clipboardMode);
    EXPECT_EQ(get(R"({"requestId": "g", "flavors": ["video/mp4", "audio/ogg"]})")["contents"], Value(JsonObject{}));
    EXPECT_EQ(get(R"({"requestId": "g", "flavors": []})")["contents"], Value(JsonObject{}));
}

TEST_F(GetRequest, MissingFieldsAreLoggedAndEverythingIsRead) {
    putText(u"text/plain", u"x");
    auto reply = get(R"({"uid": "u"})");
    EXPECT_EQ(reply["success"], Value(true));
    EXPECT_EQ(reply["responseId"], Value(""));
    EXPECT_EQ(reply["contents"], Value(JsonObject{{"text/plain", "x"}}));
    EXPECT_THAT(logged(), Contains("[handleGetClipboardDataRequest] JSON message does not contain required fields"));
}

TEST_F(GetRequest, UnparsedTextRepliesFalseWithNoContents) {
    putText(u"text/plain", u"x");
    auto reply = get(R"({"requestId": "g", "flavors": ["text/plain"]]})");
    EXPECT_EQ(reply, (JsonObject{{"success", false}, {"contents", JsonObject{}}, {"responseId", ""}}));
    EXPECT_THAT(logged(), ElementsAre("JSON Parse Error", "[handleGetClipboardDataRequest] UID is empty"));
}

TEST_F(GetRequest, FlavoursThatAreNotTextAreSkipped) {
    putText(u"text/plain", u"x");
    auto reply = get(R"({"requestId": "g", "uid": "u", "flavors": [1, "text/plain", null]})");
    EXPECT_EQ(reply["contents"], Value(JsonObject{{"text/plain", "x"}}));
    EXPECT_THAT(logged(), ElementsAre("Invalid JSON format sent for getClipboardData",
                                      "Invalid JSON format sent for getClipboardData"));
}

TEST_F(GetRequest, EmptyAndMismatchedContentIsLeftOut) {
    putText(u"text/plain", u"");
    putText(u"application/rtf", u"text where bytes are expected");
    putText(u"image/png", u"not an image");
    pf::clipboard::testing::putForeignContent(u"text/html", std::vector<std::byte>{std::byte{'x'}}, clipboardMode);
    auto reply = get(R"({"requestId": "g", "flavors": ["text/plain", "application/rtf", "image/png", "text/html", "text/uri-list"]})");
    EXPECT_EQ(reply["contents"], Value(JsonObject{{"text/uri-list", JsonArray{}}}));
}

TEST_F(GetRequest, PlatformFailuresAreLoggedPerFlavour) {
    putText(u"text/plain", u"x");
    pf::clipboard::testing::setFailingCalls(pf::clipboard::testing::failRead);
    auto reply = get(R"({"requestId": "g", "uid": "u", "flavors": ["text/plain", "text/html"]})");
    EXPECT_EQ(reply["success"], Value(true));
    EXPECT_EQ(reply["contents"], Value(JsonObject{}));
    EXPECT_THAT(logged(), ElementsAre("getClipboardDataSync threw an exception for mime Type: text/plain",
                                      "getClipboardDataSync threw an exception for mime Type: text/html"));
}

TEST_F(GetRequest, AFailingImageExportIsLoggedAndLeftOut) {
    pf::clipboard::testing::putForeignContent(u"image/png", std::make_shared<BrokenImage>(), clipboardMode);
    putText(u"text/plain", u"x");
    auto reply = get(R"({"requestId": "g", "uid": "u", "flavors": ["image/png", "text/plain"]})");
    EXPECT_EQ(reply["contents"], Value(JsonObject{{"text/plain", "x"}}));
    ASSERT_EQ(logged().size(), 1u);
    EXPECT_THAT(logged()[0], ::testing::EndsWith(" [getClipboardContentImages] bad access violation\n"));
}

}  // namespace
