#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "cef/testing.h"
#include "recording_sink.h"
#include "veltranelib/main_message_loop_std.h"
#include "veltranelib/native_window.h"
#include "veltranelib/temp_window_win.h"
#include "veltranelib/testing.h"

namespace {

using ::testing::ElementsAre;
using veltranelib::testing::stateOf;

class NativeWindowTest : public ::testing::Test {
protected:
    scoped_refptr<RecordingSink> sink{new RecordingSink()};
    scoped_refptr<NativeWindow> window = NativeWindow::makeNativeWindow("w1", true, sink, "p1", "p2");

    void open(const std::string& url = "https://start/") {
        window->newWindow(url, CefRect(10, 20, 300, 200), true, "Standard", "", false);
    }
};

TEST_F(NativeWindowTest, KeepsWhatItWasMadeWith) {
    EXPECT_EQ(window->getID(), "w1");
    EXPECT_EQ(window->getEventNotifier().get(), sink.get());
    EXPECT_EQ(window->getHandler(), nullptr);
    const auto state = stateOf(window);
    EXPECT_EQ(state.createParam1, "p1");
    EXPECT_EQ(state.createParam2, "p2");
    EXPECT_TRUE(sink->texts().empty());
}

TEST_F(NativeWindowTest, NewWindowCreatesTheBrowserThenLoads) {
    open();
    EXPECT_THAT(sink->texts(), ElementsAre("browserCreatedEvent()", "loadStartEvent()",
                                           "loadFinishedEvent(,https://start/)"));
    ASSERT_TRUE(sink->browser);
    EXPECT_EQ(sink->browser->GetStartURL().ToString(), "https://start/");
    EXPECT_NE(window->getHandler(), nullptr);
    const auto state = stateOf(window);
    EXPECT_EQ(state.position, CefRect(10, 20, 300, 200));
    EXPECT_TRUE(state.visible);
    EXPECT_EQ(state.windowType, "Standard");

    window->setURL("https://next/");
    EXPECT_THAT(sink->texts(), ElementsAre("browserCreatedEvent()", "loadStartEvent()",
                                           "loadFinishedEvent(,https://start/)", "loadStartEvent()",
                                           "loadFinishedEvent(,https://next/)"));
    EXPECT_EQ(stateOf(window).url, "https://next/");
}

TEST_F(NativeWindowTest, UrlBeforeTheBrowserExistsWaitsForIt) {
    window->setURL("https://early/");
    EXPECT_TRUE(sink->texts().empty());
    EXPECT_EQ(stateOf(window).url, "https://early/");
}

TEST_F(NativeWindowTest, PositionsAreKeptReportedAndReadBack) {
    open();
    window->setPosition(CefRect(1, 2, 3, 4));
    window->setOuterPosition(CefRect(5, 6, 7, 8));
    window->getPositionForTarnel();
    window->getOuterPositionForTarnel();
    const auto texts = sink->texts();
    EXPECT_THAT(std::vector<std::string>(texts.end() - 4, texts.end()),
                ElementsAre("resizeEvent(1,2,3,4,1)", "resizeEventOuterPosition(5,6,7,8,1)",
                            "getPositionEvent(1,2,3,4)", "getOuterPositionEvent(5,6,7,8)"));
}

TEST_F(NativeWindowTest, WindowStatesAreReportedByTheirWords) {
    window->minimize();
    window->maximize();
    window->restore();
    window->fullscreen();
    window->setVisible(false);
    window->setVisible(true);
    EXPECT_THAT(sink->texts(),
                ElementsAre("windowStateEvent(WindowMinimized)", "windowStateEvent(WindowMaximized)",
                            "windowStateEvent(WindowRestored)", "windowStateEvent(WindowFullscreen)",
                            "windowStateEvent(WindowHidden)", "windowStateEvent(WindowVisible)"));
    EXPECT_EQ(stateOf(window).stateWord, "WindowVisible");
}

TEST_F(NativeWindowTest, SettingsAreKeptAndReported) {
    window->setZoomLevel(-3);
    window->setAlwaysOnTop(true);
    window->setResizable(false);
    window->setMaximumSize(CefSize(1000, 900));
    window->setMinimumSize(CefSize(100, 90));
    EXPECT_THAT(sink->texts(), ElementsAre("notifyZoomLevel(-3)", "OnWindowOnTopEvent(1)", "OnSetResizable(0)",
                                           "OnSetMaxSize(1000,900)", "OnSetMinSize(100,90)"));
    const auto state = stateOf(window);
    EXPECT_EQ(state.zoomLevel, -3);
    EXPECT_TRUE(state.alwaysOnTop);
    EXPECT_FALSE(state.resizable);
    EXPECT_EQ(state.maximumSize, CefSize(1000, 900));
    EXPECT_EQ(state.minimumSize, CefSize(100, 90));
}

TEST_F(NativeWindowTest, OtherOperationsOnlyKeepState) {
    window->setTitle("T");
    window->applyTitle("Shown");
    window->setIcon("icon.png");
    window->setDownloadPath("/dl");
    window->enableDragDrop(true);
    window->disableWindow(true);
    window->handleAllWindowsActivated(false);
    window->handleWindowModal(true);
    window->bringToFront();
    window->stopDownload();
    window->enablePopUpWindow();
    window->setOrigin(7);
    window->setTarnelProcessID(4242);
    EXPECT_TRUE(sink->texts().empty());
    const auto state = stateOf(window);
    EXPECT_EQ(state.title, "T");
    EXPECT_EQ(state.appliedTitle, "Shown");
    EXPECT_EQ(state.icon, "icon.png");
    EXPECT_EQ(state.downloadPath, "/dl");
    EXPECT_TRUE(state.dragDropEnabled && state.disabled && state.modal && state.popUpWindowsEnabled);
    EXPECT_FALSE(state.allWindowsActive);
    EXPECT_EQ(state.broughtToFront, 1);
    EXPECT_EQ(state.downloadsStopped, 1);
    EXPECT_EQ(state.origin, 7);
    EXPECT_EQ(state.tarnelProcessID, 4242);
}

TEST_F(NativeWindowTest, ScreenshotIsAPictureOfTheWindowsSize) {
    open();
    window->getScreenshot();
    EXPECT_EQ(sink->texts().back(), "screenshotEvent(300,200)");
    const std::string& picture = sink->screenshot;
    ASSERT_GT(picture.size(), 24u);
    EXPECT_EQ(picture.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    auto bigEndian = [&](std::size_t at) {
        return (unsigned(static_cast<unsigned char>(picture[at])) << 24) |
               (unsigned(static_cast<unsigned char>(picture[at + 1])) << 16) |
               (unsigned(static_cast<unsigned char>(picture[at + 2])) << 8) |
               unsigned(static_cast<unsigned char>(picture[at + 3]));
    };
    EXPECT_EQ(picture.substr(12, 4), "IHDR");
    EXPECT_EQ(bigEndian(16), 300u);
    EXPECT_EQ(bigEndian(20), 200u);
}

TEST_F(NativeWindowTest, PrintWritesAOnePageDocumentOrReportsFailure) {
    const auto path = std::filesystem::temp_directory_path() / ("veltrane-print-" + std::to_string(::getpid()) + ".pdf");
    window->printToPDF(path.string());
    std::ifstream file(path, std::ios::binary);
    const std::string document((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::filesystem::remove(path);
    EXPECT_TRUE(document.starts_with("%PDF-"));
    EXPECT_TRUE(document.ends_with("%%EOF\n"));
    EXPECT_NE(document.find("/Count 1"), std::string::npos);
    // The cross-reference table must point at the objects.
    const std::size_t start = std::stoul(document.substr(document.rfind("startxref\n") + 10));
    EXPECT_EQ(document.compare(start, 4, "xref"), 0);

    window->printToPDF("/nonexistent-folder/x.pdf");
    window->printToPDF("");
    EXPECT_THAT(sink->texts(), ElementsAre("printToPDFEvent(1)", "printToPDFEvent(0)", "printToPDFEvent(0)"));
}

TEST_F(NativeWindowTest, ScriptsReportAnError) {
    window->executeJS("1+1");
    ASSERT_EQ(sink->texts().size(), 1u);
    EXPECT_TRUE(sink->texts()[0].starts_with("javascriptResultEvent(1,"));
    EXPECT_EQ(stateOf(window).executedScripts, std::vector<std::string>{"1+1"});
}

TEST_F(NativeWindowTest, OnlyTheLatestScriptsAndPrintPathsAreKeptAndOnlyTheirStart) {
    using veltranelib::testing::kKeptRecords;
    using veltranelib::testing::kKeptRecordBytes;
    for (std::size_t i = 0; i < 3 * kKeptRecords; ++i) {
        const std::string text = std::to_string(i) + std::string(4 * kKeptRecordBytes, 'x');
        window->executeJS(text);
        window->printToPDF("/nonexistent-folder/" + text);
    }
    for (const auto& kept : {stateOf(window).executedScripts, stateOf(window).printedPaths}) {
        ASSERT_EQ(kept.size(), kKeptRecords);
        for (const auto& text : kept) EXPECT_EQ(text.size(), kKeptRecordBytes);
    }
    EXPECT_TRUE(stateOf(window).executedScripts.back().starts_with(std::to_string(3 * kKeptRecords - 1) + "x"));
    EXPECT_TRUE(stateOf(window).printedPaths.front().starts_with("/nonexistent-folder/" + std::to_string(2 * kKeptRecords)));
}

TEST_F(NativeWindowTest, ClosingAsksTheSinkOrClosesTheBrowserOnce) {
    window->closeBrowser();
    EXPECT_TRUE(sink->texts().empty());  // no browser yet: nothing to close
    open();
    window->requestClose();
    window->closeBrowser();
    window->closeBrowser();
    const auto texts = sink->texts();
    EXPECT_THAT(std::vector<std::string>(texts.end() - 2, texts.end()), ElementsAre("closeEvent()", "OnBeforeClose()"));
    EXPECT_EQ(window->getHandler(), nullptr);
    window->beforeClose();
    const auto state = stateOf(window);
    EXPECT_TRUE(state.closeRequested && state.browserClosed && state.beforeCloseCalled);

    // A closed window neither gets a new browser nor loads.
    const auto reported = sink->texts().size();
    open("https://again/");
    window->setURL("https://again/");
    EXPECT_EQ(sink->texts().size(), reported);
}

TEST_F(NativeWindowTest, PopUpDataFillsTheCreationData) {
    client::TempWindowWin hidden;
    ASSERT_NE(client::TempWindowWin::GetWindowHandle(), 0u);
    scoped_refptr<NativeWindow> popUp = NativeWindow::makeNativeWindow("w2", false, sink, "", "");
    popUp->setPoUpData("about:blank", CefRect(0, 0, 600, 400), "w1");
    EXPECT_TRUE(popUp->isPopUP());
    EXPECT_FALSE(window->isPopUP());
    EXPECT_EQ(popUp->popUpURL(), "about:blank");
    EXPECT_EQ(popUp->getPopUpWindowRect(), CefRect(0, 0, 600, 400));

    CefWindowInfo info;
    CefRefPtr<CefClient> client;
    CefBrowserSettings settings;
    popUp->preparePopUp(client::TempWindowWin::GetWindowHandle(), info, client, settings);
    EXPECT_EQ(info.parent_window, client::TempWindowWin::GetWindowHandle());
    EXPECT_EQ(info.bounds, CefRect(0, 0, 600, 400));
    EXPECT_EQ(info.hidden, 1);
    EXPECT_TRUE(client);
}

TEST_F(NativeWindowTest, ReportsMoveToTheUIThreadWhenCalledElsewhere) {
    client::MainMessageLoopStd loop;
    std::thread other([&] {
        window->setZoomLevel(2);
        window->minimize();
        loop.PostClosure(base::Bind(&client::MainMessageLoop::Quit, &loop));
    });
    other.join();
    EXPECT_TRUE(sink->texts().empty());  // nothing reported off the UI thread
    EXPECT_EQ(stateOf(window).zoomLevel, 2);
    loop.Run();
    const auto events = sink->events();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].text, "notifyZoomLevel(2)");
    EXPECT_EQ(events[1].text, "windowStateEvent(WindowMinimized)");
    for (const auto& event : events) EXPECT_EQ(event.thread, std::this_thread::get_id());
}

TEST_F(NativeWindowTest, ProcessMessagesSentThroughTheBrowserAreKept) {
    open();
    CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create("Browser.WindowState");
    message->GetArgumentList()->SetString(0, "w1");
    message->GetArgumentList()->SetInt(2, 5);
    sink->browser->GetMainFrame()->SendProcessMessage(PID_RENDERER, message);
    const auto sent = cef::testing::sentProcessMessages(sink->browser);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].target, PID_RENDERER);
    EXPECT_EQ(sent[0].message->GetName().ToString(), "Browser.WindowState");
    auto arguments = sent[0].message->GetArgumentList();
    EXPECT_EQ(arguments->GetSize(), 3u);
    EXPECT_EQ(arguments->GetString(0).ToString(), "w1");
    EXPECT_EQ(arguments->GetType(1), VTYPE_NULL);
    EXPECT_EQ(arguments->GetInt(2), 5);
    EXPECT_EQ(arguments->GetString(2).ToString(), "");  // wrong type reads as empty
}

}  // namespace
