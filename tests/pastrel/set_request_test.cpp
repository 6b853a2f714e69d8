#include <gmock/gmock.h>

#include "BackendTest.h"

using ::testing::Contains;
using ::testing::ElementsAre;

namespace {

class SetRequest : public BackendTest {
protected:
    CapturedReply set(const std::string& text, pf::clipboard::PFClipboardMode mode = clipboardMode) {
        CapturedReply reply;
        backend->handleSetClipboardDataRequest(JsonMessage(text), mode, replyInto(reply));
        EXPECT_EQ(reply.calls, 1);
        return reply;
    }
};

TEST_F(SetRequest, PutsTextAndRepliesWithTheRequestId) {
    auto reply = set(R"({"requestId": "r1", "uid": "u1", "contents": [{"flavor": "text/plain", "content": "h\u00e9llo"}]})");
    EXPECT_EQ(reply.text, R"({"responseId":"r1","success":true})");
    EXPECT_EQ(reply.uid, "u1");
    EXPECT_EQ(textOn(u"text/plain"), u"h\u00e9llo");
    EXPECT_TRUE(logged().empty());
}

TEST_F(SetRequest, StoresEachKindOfItemAsItsPlatformForm) {
    set(R"({"requestId": "r", "contents": [
        {"flavor": "text/html", "content": "<b>x</b>"},
        {"flavor": "application/tarnel_json", "content": "{\"k\":\u0001}"},
        {"flavor": "application/quillane_internal_imagelist", "content": "skipped"},
        {"flavor": "image/jpeg", "content": "data:image/png;base64,AAAA"},
        {"flavor": "text/uri-list", "content": ["/tmp//a b", ""], "mode": "move"}]})");
    EXPECT_THAT(pf::clipboard::getAvailableMimeTypesSync(clipboardMode),
                ElementsAre(u"text/html", u"application/tarnel_json", u"image/png", u"text/uri-list"));
    EXPECT_EQ(textOn(u"text/html"), u"<b>x</b>");

    auto bytes = std::get<std::vector<std::byte>>(pf::clipboard::getClipboardDataSync(u"application/tarnel_json", clipboardMode));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size()), "{\"k\":\x01}");

    auto image = std::get<std::shared_ptr<pf::graphics::PFGraphics>>(pf::clipboard::getClipboardDataSync(u"image/png", clipboardMode));
    pf::graphics::PFGraphicsBuffer raw;
    image->exportGraphics(raw, pf::graphics::PFGraphicsExportRaw, 1, {});
    EXPECT_EQ(raw.bytes(), std::vector<std::byte>(3, std::byte{0}));

    auto paths = std::get<std::vector<fl::filesystem::basic_path>>(pf::clipboard::getClipboardDataSync(u"text/uri-list", clipboardMode));
    EXPECT_THAT(paths, ElementsAre(fl::filesystem::basic_path(u"/tmp/a b"), fl::filesystem::basic_path(u"")));
    EXPECT_EQ(pf::clipboard::testing::clipboardAction(clipboardMode), pf::clipboard::PFClipboardActionMove);
}

TEST_F(SetRequest, PathListsAreCopiedUnlessMoveIsAsked) {
    for (const char* mode : {R"(, "mode": "copy")", "", R"(, "mode": "MOVE")"}) {
        set(std::string(R"({"requestId": "r", "contents": [{"flavor": "text/uri-list", "content": ["/a"])") + mode + "}]}");
        EXPECT_EQ(pf::clipboard::testing::clipboardAction(clipboardMode), pf::clipboard::PFClipboardActionCopy) << mode;
    }
}

TEST_F(SetRequest, BadItemsAreSkippedAndTheRestIsSet) {
    auto reply = set(R"({"requestId": "r", "contents": [
        {"flavor": "image/png", "content": "data:image/png;base64"},
        {"flavor": "image/png", "content": "not base64"},
        {"flavor": "text/plain", "content": 5},
        "not an item",
        {"content": "no flavour"},
        {"flavor": "text/uri-list", "content": ["/a", 1]},
        {"flavor": "text/rtf", "content": "kept"}]})");
    EXPECT_EQ(reply.text, R"({"responseId":"r","success":true})");
    EXPECT_THAT(pf::clipboard::getAvailableMimeTypesSync(clipboardMode), ElementsAre(u"text/rtf"));
    EXPECT_THAT(logged(), ElementsAre("Exception caught for flavor :: image/png\n", "Exception caught for flavor :: image/png\n",
                                      "Exception caught for flavor :: text/plain\n", "Exception caught for flavor :: \n",
                                      "Exception caught for flavor :: \n", "Exception caught for flavor :: text/uri-list\n",
                                      "[handleSetClipboardDataRequest] UID is empty"));
}

TEST_F(SetRequest, EveryItemSkippedStillEmptiesTheClipboard) {
    putText(u"text/plain", u"old");
    set(R"({"requestId": "r", "contents": [{"flavor": "application/quillane_internal_imagelist", "content": "x"}]})");
    EXPECT_TRUE(pf::clipboard::getAvailableMimeTypesSync(clipboardMode).empty());
}

TEST_F(SetRequest, TheSelectionIsSetApartFromTheClipboard) {
    putText(u"text/plain", u"clipboard");
    set(R"({"requestId": "r", "contents": [{"flavor": "text/plain", "content": "selection"}]})", selectionMode);
    EXPECT_EQ(textOn(u"text/plain"), u"clipboard");
    EXPECT_EQ(textOn(u"text/plain", selectionMode), u"selection");
}

TEST_F(SetRequest, FailuresReplyFalseAndLeaveTheClipboard) {
    putText(u"text/plain", u"old");
    struct Case {
        const char* text;
        const char* reply;
        const char* record;
    };
    for (const Case& c : {Case{R"({"requestId": "r", "contents": [)", R"({"responseId":"","success":false})", "JSON Parse Error"},
                          Case{R"({"zqtype": true, "requestId": "r", "contents": []})", R"({"responseId":"","success":false})",
                               "JSON Parse Error"},
                          Case{R"({"requestId": "r"})", R"({"responseId":"r","success":false})",
                               "[handleSetClipboardDataRequest] JSON message does not contain required fields"},
                          Case{R"({"requestId": 1, "contents": []})", R"({"responseId":"","success":false})",
                               "[handleSetClipboardDataRequest] JSON message does not contain required fields"}}) {
        capture.clear();
        auto reply = set(c.text);
        EXPECT_EQ(reply.text, c.reply) << c.text;
        EXPECT_THAT(logged(), Contains(c.record)) << c.text;
        EXPECT_EQ(textOn(u"text/plain"), u"old") << c.text;
    }
}

TEST_F(SetRequest, APlatformWriteFailureRepliesFalse) {
    pf::clipboard::testing::setFailingCalls(pf::clipboard::testing::failWrite);
    auto reply = set(R"({"requestId": "r", "uid": "u", "contents": [{"flavor": "text/plain", "content": "x"}]})");
    EXPECT_EQ(reply.text, R"({"responseId":"r","success":false})");
}

TEST_F(SetRequest, TheParseResultReplacesASuccessMember) {
    auto reply = set(R"({"success": false, "requestId": "r", "contents": [{"flavor": "text/plain", "content": "x"}]})");
    EXPECT_EQ(reply.text, R"({"responseId":"r","success":true})");
    auto request = backend->convertMessageToJson(JsonMessage(R"({"success": "yes", "uid": "u"})"));
    EXPECT_EQ(request, (JsonObject{{"success", true}, {"uid", "u"}}));
    EXPECT_EQ(backend->convertMessageToJson(JsonMessage(" {}")), (JsonObject{{"success", false}}));
}

TEST_F(SetRequest, TheUidMustBeText) {
    auto reply = set(R"({"requestId": "r", "uid": 7, "contents": []})");
    EXPECT_EQ(reply.uid, "");
    EXPECT_THAT(logged(), ElementsAre("[handleSetClipboardDataRequest] UID is empty"));
}

TEST_F(SetRequest, AnEmptyReplyCallbackThrows) {
    EXPECT_THROW(backend->handleSetClipboardDataRequest(JsonMessage("{}"), clipboardMode, {}), std::bad_function_call);
}

TEST_F(SetRequest, ClassifiesMimeTypesByPrefix) {
    EXPECT_TRUE(backend->isTextType("text/"));
    EXPECT_FALSE(backend->isTextType("Text/plain"));
    EXPECT_TRUE(backend->isApplicationType("application/x"));
    EXPECT_FALSE(backend->isApplicationType("application"));
    EXPECT_TRUE(backend->isGraphicsType("image/svg+xml"));
    EXPECT_FALSE(backend->isGraphicsType("video/image/"));
    EXPECT_TRUE(backend->isTextUriList("text/uri-list"));
    EXPECT_FALSE(backend->isTextUriList("text/uri-list;x"));
}

}  // namespace
