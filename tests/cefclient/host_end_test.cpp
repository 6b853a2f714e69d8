// How the bridge ends: the host's pipe ending in any way, windows that never got a browser, screenshots too large
// to take, and posting to a UI loop that has ended.
#include <unistd.h>

#include <atomic>
#include <thread>

#include "BridgeHarness.h"
#include "HostCommands.h"
#include "cef/popup_features.h"
#include "cefclient/LogStyle.h"
#include "cefclient/Loggers.h"
#include "cefclient/UiTasks.h"
#include "cefclient/WindowEventHandler.h"
#include "foundation/log/testing.h"
#include "veltranelib/main_message_loop_multithreaded_win.h"
#include "veltranelib/testing.h"

using cefclient_messages::windowMessage;
using veltranelib::testing::stateOf;

namespace {

std::string framed(const std::string& payload) {
    std::stringstream stream;
    cefclient_utils::sendMessageToPipe(stream, payload);
    return stream.str();
}

std::string lengthOnly(std::uint32_t length) {
    const char header[4] = {static_cast<char>(length & 0xff), static_cast<char>(length >> 8 & 0xff),
                            static_cast<char>(length >> 16 & 0xff), static_cast<char>(length >> 24 & 0xff)};
    return std::string(header, sizeof header);
}

class HostEndTest : public harness::BridgeTest {
protected:
    // The bytes are all the host ever writes: the reader performs them and meets the end, then the UI thread runs.
    void hostWrites(const std::string& bytes) {
        in.str(bytes);
        in.clear();
        bridge().attachPipe(in, out, err);
        bridge().readPipeMessages();
        runUiTasks();
    }

    void dispatch(const windowMessage& message) {
        bridge().processWindowMessages(message.SerializeAsString());
        runUiTasks();
    }
};

}  // namespace

TEST_F(HostEndTest, EveryEndOfThePipeClosesEveryWindowAndSendsClosePipesOnce) {
    const std::vector<std::pair<const char*, std::string>> endings = {
        {"clean end", ""},
        {"end inside the length", std::string("\x05\x00", 2)},
        {"end inside a payload", lengthOnly(10) + "abc"},
        {"oversized length", lengthOnly(cefclient_utils::kMaxPipeMessageSize + 1) + "more bytes"},
    };
    for (const auto& [name, ending] : endings) {
        SCOPED_TRACE(name);
        hostWrites(framed(host_messages::newWindow("a").SerializeAsString()) +
                   framed(host_messages::newWindow("b").SerializeAsString()) + ending);
        EXPECT_TRUE(bridge().windows().empty());
        const auto frames = harness::takeFrames(out);
        ASSERT_FALSE(frames.empty());
        EXPECT_EQ(frames.back(), "closePipes");
        EXPECT_EQ(std::count(frames.begin(), frames.end(), "closePipes"), 1);
        EXPECT_EQ(harness::takeFrames(err), std::vector<std::string>{"closePipes"});
    }
    // With no window at all, the end of the pipe still ends the session.
    hostWrites("");
    EXPECT_EQ(harness::takeFrames(out), std::vector<std::string>{"closePipes"});
}

TEST_F(HostEndTest, WindowWhoseBrowserWasNeverMadeIsClosedWhenTheHostGoes) {
    CefWindowInfo info;
    CefRefPtr<CefClient> client;
    CefBrowserSettings settings;
    bridge().createPopUpWindow("opener", CefString("https://popup.test/"), CefPopupFeatures{}, info, client, settings,
                               0, true);
    ASSERT_EQ(bridge().windows().size(), 1u);
    ASSERT_FALSE(bridge().windows()[0].first->getHandler());
    hostWrites("");
    EXPECT_TRUE(bridge().windows().empty());
    EXPECT_EQ(harness::takeFrames(out), std::vector<std::string>{"closePipes"});
}

TEST_F(HostEndTest, PipeEndingAfterTheHostClosedTheLastWindowSendsNoSecondClosePipes) {
    hostWrites(framed(host_messages::newWindow("only").SerializeAsString()) +
               framed(host_messages::command("only", "close").SerializeAsString()));
    const auto frames = harness::takeFrames(out);
    EXPECT_EQ(std::count(frames.begin(), frames.end(), "closePipes"), 1);
    EXPECT_TRUE(bridge().windows().empty());
}

TEST_F(HostEndTest, ScreenshotOfAWindowLargerThanAnyScreenIsAnEmptyPictureAndAnError) {
    foundation::log::testing::record_capture capture;
    auto& bridgeChannel = veltrane_log::bridgeLogger();
    dispatch(host_messages::newWindow("shot"));
    sent();
    auto screenshotAt = [&](int width, int height) {
        // Sent together: the size that counts is the one the window has when the screenshot is taken.
        bridge().processWindowMessages(host_messages::position("shot", width, height).SerializeAsString());
        bridge().processWindowMessages(host_messages::command("shot", "getScreenshot").SerializeAsString());
        runUiTasks();
        for (const windowMessage& message : sent()) {
            if (message.has_screenshot()) return message.screenshot();
        }
        ADD_FAILURE() << "no screenshot";
        return windowMessage::ScreenShot();
    };
    bridgeChannel.set_mask(veltrane_log::kError);
    const auto widest = screenshotAt(16384, 1);
    const auto tooWide = screenshotAt(16385, 1);
    const auto huge = screenshotAt(2147483647, 2147483647);
    bridgeChannel.set_mask(0);

    EXPECT_EQ(widest.width(), 16384);
    EXPECT_EQ(widest.imagedata().rfind("\x89PNG", 0), 0u);
    for (const auto& refused : {tooWide, huge}) {
        EXPECT_EQ(refused.imagedata(), "");
        EXPECT_EQ(refused.width(), 0);
        EXPECT_EQ(refused.height(), 0);
    }
    EXPECT_EQ(capture.records("client::tarnel_interface").size(), 2u);
}

TEST(UiTaskGate, PostersRacingTheEndOfTheLoopNeverReachItOnceItIsGone) {
    client::UiTaskGate gate;
    auto loop = std::make_unique<client::MainMessageLoopMultithreadedWin>();
    std::atomic<int> ran{0};
    std::atomic<int> accepted{0};
    std::atomic<int> dropped{0};
    std::atomic<bool> stop{false};
    std::vector<std::thread> posters;
    for (int i = 0; i < 4; ++i) {
        posters.emplace_back([&] {
            while (!stop) {
                (gate.post(base::Bind([&ran] { ++ran; })) ? accepted : dropped)++;
            }
        });
    }
    while (ran < 100) std::this_thread::yield();
    gate.quitLoop();
    EXPECT_EQ(loop->Run(), 0);
    gate.close();
    loop.reset();
    // The posters go on after the loop is gone.
    const int droppedAtEnd = dropped;
    while (dropped < droppedAtEnd + 1000) std::this_thread::yield();
    stop = true;
    for (std::thread& poster : posters) poster.join();
    EXPECT_LE(ran, accepted);
    EXPECT_FALSE(gate.post(base::Bind([] {})));
}

TEST_F(HostEndTest, NewWindowCarriesTheHostProcessID) {
    // The test process stands in for the host, so the watch finds it running.
    bridge().setParentProcessID(static_cast<std::int32_t>(::getpid()));
    dispatch(host_messages::newWindow("watched"));
    EXPECT_EQ(stateOf(bridge().findNativeWindowByID("watched")).tarnelProcessID, ::getpid());
}
