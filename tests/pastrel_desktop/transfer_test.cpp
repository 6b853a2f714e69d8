#include <gmock/gmock.h>

#include <thread>

#include "DesktopTest.h"

using namespace desktop;
using ::testing::HasSubstr;

namespace {

class Transfer : public ::testing::TestWithParam<Mode> {
protected:
    Json item(const std::string& flavor, const Json& content) { return {{"flavor", flavor}, {"content", content}}; }

    Editor editor;
    const Mode mode = GetParam();
};

TEST_P(Transfer, TextsSetThroughPastrelPasteInOtherPrograms) {
    const std::string text = "Grüße from the editor, mode " + std::to_string(mode);
    const std::string html = "<b>Grüße</b> " + std::to_string(mode);
    const Json reply = editor.set(mode, {item("text/plain", text), item("text/html", html)});
    EXPECT_EQ(reply["success"], true);

    EXPECT_EQ(readSelection(mode), text);
    EXPECT_EQ(readSelection(mode, "text/plain"), text);
    EXPECT_EQ(readSelection(mode, "text/html"), html);
    const std::string targets = readSelection(mode, "TARGETS");
    EXPECT_THAT(targets, HasSubstr("text/plain"));
    EXPECT_THAT(targets, HasSubstr("text/html"));
    // What the editor itself reads back is the same.
    EXPECT_EQ(editor.content(mode, "text/html"), html);
}

TEST_P(Transfer, TextsCopiedInOtherProgramsReachGetRequests) {
    const std::string text = "ünïcode from xclip " + std::to_string(mode);
    offer(mode, "UTF8_STRING", text);
    EXPECT_TRUE(eventually([&] { return editor.content(mode, "text/plain") == text; }));

    const std::string html = "<i>markup</i> " + std::to_string(mode);
    offer(mode, "text/html", html);
    EXPECT_TRUE(eventually([&] { return editor.content(mode, "text/html") == html; }));
    const Json reply = editor.get(mode, {"text/html", "video/mp4"});
    EXPECT_EQ(reply["success"], true);
    EXPECT_EQ(reply["contents"], Json({{"text/html", html}}));
}

TEST_P(Transfer, ImagesSetAsDataUrlsAreOfferedAsPng) {
    const Json reply = editor.set(mode, {item("image/png", "data:image/png;base64," + pngBase64)});
    EXPECT_EQ(reply["success"], true);
    const std::string png = readSelection(mode, "image/png");
    EXPECT_EQ(pngSize(png), std::make_pair(3u, 2u));
    EXPECT_EQ(png, pngBytes());
}

TEST_P(Transfer, ImagesCopiedInOtherProgramsComeBackAsDataUrls) {
    offer(mode, "image/png", pngBytes());
    const Json expected{{"__type__", "image"}, {"__value__", "data:image/png;base64," + pngBase64}};
    EXPECT_TRUE(eventually([&] { return editor.content(mode, "image/png") == expected; }));
}

TEST_P(Transfer, PathListsAreFileUrlsOnTheDesktop) {
    EXPECT_EQ(editor.set(mode, {item("text/uri-list", {"/tmp/a b.txt", "/tmp/c"})})["success"], true);
    EXPECT_EQ(readSelection(mode, "text/uri-list"), "file:///tmp/a%20b.txt\r\nfile:///tmp/c\r\n");

    offer(mode, "text/uri-list", "# two files\r\nfile:///tmp/x%20y\r\nhttps://example.invalid/z\r\n");
    EXPECT_TRUE(eventually([&] {
        return editor.content(mode, "text/uri-list") == Json({"/tmp/x y", "https://example.invalid/z"});
    }));
}

TEST_P(Transfer, ApplicationTypesKeepTheirBytes) {
    const std::string json = R"({"equation": [1, 2], "mode": )" + std::to_string(mode) + "}";
    EXPECT_EQ(editor.set(mode, {item("application/tarnel_json", json)})["success"], true);
    EXPECT_EQ(readSelection(mode, "application/tarnel_json"), json);

    const std::string other = "raw\x01\x02 bytes " + std::to_string(mode);
    offer(mode, "application/octet-stream", other);
    EXPECT_TRUE(eventually([&] { return editor.content(mode, "application/octet-stream") == other; }));
}

INSTANTIATE_TEST_SUITE_P(Modes, Transfer, ::testing::Values(clipboard, selection), modeName);

TEST(Modes, ClipboardAndSelectionAreKeptApart) {
    Editor editor;
    editor.set(clipboard, {{{"flavor", "text/plain"}, {"content", "on the clipboard"}}});
    editor.set(selection, {{{"flavor", "text/plain"}, {"content", "highlighted"}}});
    EXPECT_EQ(readSelection(clipboard), "on the clipboard");
    EXPECT_EQ(readSelection(selection), "highlighted");
    EXPECT_EQ(editor.content(clipboard, "text/plain"), "on the clipboard");
    EXPECT_EQ(editor.content(selection, "text/plain"), "highlighted");
}

TEST(Flavors, AreTheMimeTypesOtherProgramsOffer) {
    Editor editor;
    offer(clipboard, "text/html", "<p>offered</p>");
    EXPECT_TRUE(eventually([&] { return editor.flavors()["flavors"] == Json({"text/html"}); }))
        << editor.flavors().dump();

    // Qt's own name for a readable image stays out of the list.
    offer(clipboard, "image/png", pngBytes());
    EXPECT_TRUE(eventually([&] { return editor.flavors()["flavors"] == Json({"image/png"}); }))
        << editor.flavors().dump();

    // An empty flavour list in a get request reads what the desktop offers.
    const Json reply = editor.get(clipboard, Json::array());
    EXPECT_TRUE(reply["contents"].contains("image/png")) << reply.dump();
}

TEST(Flavors, OfTheEditorsOwnCopyKeepTheirOrder) {
    Editor editor;
    editor.set(clipboard, {{{"flavor", "text/html"}, {"content", "<p>x</p>"}},
                           {{"flavor", "application/tarnel_json"}, {"content", "{}"}},
                           {{"flavor", "text/plain"}, {"content", "x"}}});
    EXPECT_EQ(editor.flavors()["flavors"], Json({"text/html", "application/tarnel_json", "text/plain"}));
}

}  // namespace

namespace {

TEST(Sizes, LargeTextsTravelBothWays) {
    Editor editor;
    std::string large(4 << 20, 'x');
    for (std::size_t at = 0; at < large.size(); at += 4096) large[at] = static_cast<char>('a' + at / 4096 % 26);
    EXPECT_EQ(editor.set(clipboard, {{{"flavor", "text/plain"}, {"content", large}}})["success"], true);
    EXPECT_EQ(readSelection(clipboard), large);

    large[7] = '!';
    offer(clipboard, "UTF8_STRING", large);
    EXPECT_TRUE(eventually([&] { return editor.content(clipboard, "text/plain") == large; }));
}

TEST(Sizes, AnEmptyCopyOffersNothing) {
    Editor editor;
    editor.set(clipboard, {{{"flavor", "text/plain"}, {"content", "before"}}});
    EXPECT_EQ(editor.set(clipboard, {})["success"], true);
    EXPECT_EQ(editor.flavors()["flavors"], Json::array());
    EXPECT_EQ(editor.get(clipboard, {"text/plain"})["contents"], Json::object());
    EXPECT_EQ(readSelection(clipboard, "TARGETS").find("text/plain"), std::string::npos);
}

// Requests from many threads at once, as several editors would send them.
TEST(Threads, ShareTheDesktopClipboardSafely) {
    Editor editor;
    std::vector<std::thread> threads;
    for (int thread = 0; thread < 4; ++thread) {
        threads.emplace_back([&editor, thread] {
            const Mode mode = thread % 2 == 0 ? clipboard : selection;
            for (int round = 0; round < 25; ++round) {
                const std::string text = "thread " + std::to_string(thread) + " round " + std::to_string(round);
                EXPECT_EQ(editor.set(mode, {{{"flavor", "text/plain"}, {"content", text}}})["success"], true);
                EXPECT_THAT(editor.content(mode, "text/plain").get<std::string>(), ::testing::StartsWith("thread "));
            }
        });
    }
    for (auto& thread : threads) thread.join();
    editor.set(clipboard, {{{"flavor", "text/plain"}, {"content", "last"}}});
    EXPECT_EQ(readSelection(clipboard), "last");
}

}  // namespace
