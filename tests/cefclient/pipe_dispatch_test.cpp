// The bridge's pipe dispatcher, its writers and the window services behind them.
#include <functional>

#include "BridgeHarness.h"
#include "cef/popup_features.h"
#include "cefclient/LogStyle.h"
#include "cefclient/Loggers.h"
#include "cefclient/NativeWindowManager.h"
#include "foundation/log/testing.h"
#include "veltranelib/javascript_commands.h"
#include "veltranelib/testing.h"

using cefclient_messages::windowMessage;
using veltranelib::testing::stateOf;
using veltranelib::testing::WindowState;

namespace {

windowMessage newWindowRequest(const std::string& id, const std::string& url = "https://example.test/") {
    windowMessage message;
    message.set_windowid(id);
    auto* request = message.mutable_newwindow();
    request->set_url(url);
    request->set_x(10);
    request->set_y(20);
    request->set_width(300);
    request->set_height(200);
    request->set_origin(3);
    request->set_visible(true);
    request->set_windowtype("Standard");
    request->set_windowextra("extra");
    request->set_windowflag(false);
    request->set_createparam1("p1");
    request->set_createparam2("p2");
    return message;
}

// One row of the dispatch order: how to ask for it and how to see that it was carried out.
struct DispatchRow {
    const char* name;
    std::function<void(windowMessage&)> fill;
    std::function<bool(const WindowState&)> acted;
};

std::vector<DispatchRow> dispatchOrder() {
    return {
        {"setURL", [](windowMessage& m) { m.mutable_seturl()->set_url("https://other.test/"); },
         [](const WindowState& s) { return s.url == "https://other.test/"; }},
        {"setTitle", [](windowMessage& m) { m.mutable_settitle()->set_title("T"); },
         [](const WindowState& s) { return s.title == "T"; }},
        {"setZoomLevel", [](windowMessage& m) { m.mutable_setzoomlevel()->set_zoom(4); },
         [](const WindowState& s) { return s.zoomLevel == 4; }},
        {"setIcon", [](windowMessage& m) { m.mutable_seticon()->set_icon("icon.png"); },
         [](const WindowState& s) { return s.icon == "icon.png"; }},
        {"setPosition",
         [](windowMessage& m) {
             auto* p = m.mutable_setposition();
             p->set_x(1), p->set_y(2), p->set_width(33), p->set_height(44), p->set_didendresize(true);
             p->set_timestamp(0);
         },
         [](const WindowState& s) { return s.position == CefRect(1, 2, 33, 44); }},
        {"setOuterPosition",
         [](windowMessage& m) {
             auto* p = m.mutable_setouterposition();
             p->set_x(5), p->set_y(6), p->set_width(77), p->set_height(88), p->set_didendresize(false);
             p->set_timestamp(0);
         },
         [](const WindowState& s) { return s.outerPosition == CefRect(5, 6, 77, 88); }},
        {"setMaxSize",
         [](windowMessage& m) {
             m.mutable_setmaxsize()->set_maxwidth(800);
             m.mutable_setmaxsize()->set_maxheight(600);
         },
         [](const WindowState& s) { return s.maximumSize == CefSize(800, 600); }},
        {"setMinSize",
         [](windowMessage& m) {
             m.mutable_setminsize()->set_minwidth(80);
             m.mutable_setminsize()->set_minheight(60);
         },
         [](const WindowState& s) { return s.minimumSize == CefSize(80, 60); }},
        {"setOnTop", [](windowMessage& m) { m.mutable_setontop()->set_ontop(true); },
         [](const WindowState& s) { return s.alwaysOnTop; }},
        {"setDragDrop", [](windowMessage& m) { m.mutable_setdragdrop()->set_enable(true); },
         [](const WindowState& s) { return s.dragDropEnabled; }},
        {"setCommand", [](windowMessage& m) { m.mutable_setcommand()->set_command("stopDownload"); },
         [](const WindowState& s) { return s.downloadsStopped == 1; }},
        {"executeJS", [](windowMessage& m) { m.mutable_executejs()->set_script("1+1"); },
         [](const WindowState& s) { return s.executedScripts.size() == 1; }},
        {"setDownloadDir", [](windowMessage& m) { m.mutable_setdownloaddir()->set_path("/tmp/downloads"); },
         [](const WindowState& s) { return s.downloadPath == "/tmp/downloads"; }},
        {"printToPDF", [](windowMessage& m) { m.mutable_printtopdf()->set_path("/nonexistent/dir/out.pdf"); },
         [](const WindowState& s) { return s.printedPaths.size() == 1; }},
        {"SetWindowModal", [](windowMessage& m) { m.mutable_setwindowmodal()->set_modal(true); },
         [](const WindowState& s) { return s.modal; }},
    };
}

class PipeDispatchTest : public harness::BridgeTest {
protected:
    scoped_refptr<NativeWindow> openWindow(const std::string& id) {
        bridge().processWindowMessages(harness::frame(newWindowRequest(id)));
        runUiTasks();
        auto window = bridge().findNativeWindowByID(id);
        EXPECT_TRUE(window) << id;
        return window;
    }

    void send(const windowMessage& message) {
        bridge().processWindowMessages(harness::frame(message));
        runUiTasks();
    }

    windowMessage to(const std::string& id) {
        windowMessage message;
        message.set_windowid(id);
        return message;
    }

    foundation::log::testing::record_capture capture;
};

}  // namespace

TEST_F(PipeDispatchTest, NewWindowIsMadeFromTheRequestAndReportsItsLoad) {
    auto window = openWindow("w1");
    const WindowState state = stateOf(window);
    EXPECT_EQ(state.createParam1, "p1");
    EXPECT_EQ(state.createParam2, "p2");
    EXPECT_EQ(state.origin, 3);
    EXPECT_EQ(state.windowExtra, "extra");
    EXPECT_EQ(state.position, CefRect(10, 20, 300, 200));
    EXPECT_EQ(state.url, "https://example.test/");
    std::vector<std::string> commands;
    bool urlReported = false;
    for (const auto& message : sent()) {
        EXPECT_EQ(message.windowid(), "w1");
        if (message.has_setcommand()) commands.push_back(message.setcommand().command());
        if (message.has_updateurl()) urlReported = message.updateurl().url() == "https://example.test/";
    }
    EXPECT_NE(std::find(commands.begin(), commands.end(), "browserCreated"), commands.end());
    EXPECT_NE(std::find(commands.begin(), commands.end(), "loadStarted"), commands.end());
    EXPECT_NE(std::find(commands.begin(), commands.end(), "loadFinished"), commands.end());
    EXPECT_TRUE(urlReported);
}

TEST_F(PipeDispatchTest, OnlyTheFirstPresentSubMessageInDispatchOrderActs) {
    const auto rows = dispatchOrder();
    for (std::size_t first = 0; first < rows.size(); ++first) {
        const std::string id = std::string("order-") + rows[first].name;
        auto window = openWindow(id);
        windowMessage message = to(id);
        for (std::size_t row = first; row < rows.size(); ++row) rows[row].fill(message);
        send(message);
        const WindowState state = stateOf(window);
        EXPECT_TRUE(rows[first].acted(state)) << rows[first].name << " did not act";
        for (std::size_t row = first + 1; row < rows.size(); ++row) {
            EXPECT_FALSE(rows[row].acted(state)) << rows[row].name << " acted although " << rows[first].name
                                                 << " comes first";
        }
        closeEveryWindow();
    }
}

TEST_F(PipeDispatchTest, CommandWordsAreExactAndActOnTheirWindowOnly) {
    auto window = openWindow("cmd");
    auto other = openWindow("cmd-other");
    auto command = [&](const std::string& word) {
        windowMessage message = to("cmd");
        message.mutable_setcommand()->set_command(word);
        send(message);
        return stateOf(window);
    };
    EXPECT_FALSE(command("hide").visible);
    EXPECT_FALSE(command("Show").visible);
    EXPECT_FALSE(command("show ").visible);
    EXPECT_TRUE(command("show").visible);
    EXPECT_FALSE(command("DisableResizing").resizable);
    EXPECT_TRUE(command("EnableResizing").resizable);
    EXPECT_TRUE(command("enablePopUpWindow").popUpWindowsEnabled);
    EXPECT_EQ(command("bringToFront").broughtToFront, 1);
    EXPECT_EQ(command("stopDownload").downloadsStopped, 1);
    EXPECT_EQ(command("minimize").stateWord, "WindowMinimized");
    EXPECT_EQ(command("maximize").stateWord, "WindowMaximized");
    EXPECT_EQ(command("fullscreen").stateWord, "WindowFullscreen");
    EXPECT_EQ(command("restore").stateWord, "WindowRestored");
    EXPECT_TRUE(command("setDeactivateCurrentWindow").disabled);
    EXPECT_FALSE(command("setActivateCurrentWindow").disabled);
    EXPECT_FALSE(stateOf(other).disabled);
    EXPECT_FALSE(stateOf(other).browserClosed);
    sent();

    command("GetPosition");
    auto answers = sent();
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_TRUE(answers[0].has_getposition());
    command("GetOuterPosition");
    answers = sent();
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_TRUE(answers[0].has_getouterposition());
    command("getScreenshot");
    answers = sent();
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_TRUE(answers[0].has_screenshot());

    EXPECT_TRUE(command("close").browserClosed);
    EXPECT_FALSE(stateOf(other).browserClosed);
}

TEST_F(PipeDispatchTest, MessagesForUnknownWindowsAndEventOnlyFieldsDoNothing) {
    auto window = openWindow("known");
    sent();
    windowMessage unknown = to("Known");
    unknown.mutable_setcommand()->set_command("setDeactivateCurrentWindow");
    send(unknown);
    windowMessage sizeOnly = to("known");
    sizeOnly.mutable_setsize()->set_width(1);
    sizeOnly.mutable_setsize()->set_height(1);
    send(sizeOnly);
    bridge().processWindowMessages("");
    bridge().processWindowMessages("\xff\xff garbage");
    runUiTasks();
    EXPECT_FALSE(stateOf(window).disabled);
    EXPECT_TRUE(sent().empty());
    EXPECT_TRUE(capture.records().empty());
}

TEST_F(PipeDispatchTest, CertificatesComeFirstThenProxyOnlyWithoutThem) {
    const std::string pem = "-----BEGIN CERTIFICATE-----\nAAA\n-----END CERTIFICATE-----";
    windowMessage message = newWindowRequest("cert-window");
    message.mutable_allowcertificate()->set_certificate(pem);
    message.mutable_proxyauth()->set_username("ignored");
    message.mutable_proxyauth()->set_password("ignored");
    send(message);
    EXPECT_TRUE(bridge().isCertificateAllowed(pem));
    EXPECT_TRUE(bridge().findNativeWindowByID("cert-window"));
    EXPECT_NE(bridge().getProxyCredentials().first, "ignored");

    windowMessage proxy = to("no-such-window");
    proxy.mutable_proxyauth()->set_username("user");
    proxy.mutable_proxyauth()->set_password("");
    send(proxy);
    EXPECT_EQ(bridge().getProxyCredentials(), std::make_pair(std::string("user"), std::string()));
}

TEST_F(PipeDispatchTest, AllWindowsActivationActsAndDispatchGoesOn) {
    auto window = openWindow("all");
    sent();
    windowMessage message = to("all");
    message.mutable_setallwindowsactivated()->set_activate(false);
    message.mutable_settitle()->set_title("after activation");
    send(message);
    const WindowState state = stateOf(window);
    EXPECT_TRUE(state.disabled);
    EXPECT_FALSE(state.allWindowsActive);
    EXPECT_EQ(state.title, "after activation");
    bool reported = false;
    for (const auto& report : sent()) {
        if (report.has_setallwindowsactivated()) reported = !report.setallwindowsactivated().activate();
    }
    EXPECT_TRUE(reported);
}

TEST_F(PipeDispatchTest, EventWordsBecomeTheirMessagesAndBareWordsGoToBothStreams) {
    bridge().sendEventToHost("", "closePipes", {});
    EXPECT_EQ(harness::takeFrames(out), std::vector<std::string>{"closePipes"});
    EXPECT_EQ(harness::takeFrames(err), std::vector<std::string>{"closePipes"});

    bridge().sendEventToHost("w", "WindowLost", {});
    bridge().sendEventToHost("w", javascript_commands::kHandleWindowClosedCommand, {});
    bridge().sendEventToHost("w", javascript_commands::kHandleWindowResizedCommand, {"1", "-2", "+30", "40", "1"});
    bridge().sendEventToHost("w", "PopUpCreated", {"new", "https://p.test/", "0", "18446744073709551615"});
    bridge().sendEventToHost("w", "getScreenshot", {"PNG", "4", "5"});
    bridge().sendEventToHost("w", "SomethingElse", {"ignored"});
    const auto messages = sent();
    ASSERT_EQ(messages.size(), 6u);
    EXPECT_EQ(messages[0].setcommand().command(), "WindowLost");
    EXPECT_EQ(messages[1].setcommand().command(), "windowClosingEvent");
    const auto& position = messages[2].setposition();
    EXPECT_EQ(CefRect(position.x(), position.y(), position.width(), position.height()), CefRect(1, -2, 30, 40));
    EXPECT_TRUE(position.didendresize());
    EXPECT_GT(position.timestamp(), 1'600'000'000'000'000u);
    EXPECT_EQ(messages[3].popupwindow().windowhandle(), UINT64_MAX);
    EXPECT_FALSE(messages[3].popupwindow().ispopup());
    EXPECT_EQ(messages[4].screenshot().height(), 5);
    EXPECT_EQ(messages[5].windowid(), "w");
    EXPECT_EQ(messages[5].ByteSizeLong(), messages[5].windowid().size() + 2);
}

TEST_F(PipeDispatchTest, EventWithMalformedOrMissingArgumentsIsNotSentButLogged) {
    auto& bridgeChannel = veltrane_log::bridgeLogger();
    bridgeChannel.set_mask(veltrane_log::kError);
    bridge().sendEventToHost("w", "GetPosition", {"1", "2", "x3", "4"});
    bridge().sendEventToHost("w", "RenderProcessExit", {});
    bridge().sendEventToHost("w", javascript_commands::kHandleWindowResizedCommand, {"1", "2", "3", "4", "2"});
    bridgeChannel.set_mask(0);
    EXPECT_TRUE(sent().empty());
    int errors = 0;
    for (const auto& record : capture.records("client::tarnel_interface")) errors += record.severity == 256;
    EXPECT_EQ(errors, 3);
}

TEST_F(PipeDispatchTest, ClosingTheLastWindowSendsClosePipesOnce) {
    openWindow("a");
    openWindow("b");
    sent();
    bridge().notifyWindowClose("a");
    EXPECT_TRUE(harness::takeFrames(out).empty());
    bridge().notifyWindowClose("unknown");
    EXPECT_TRUE(harness::takeFrames(out).empty());
    bridge().notifyWindowClose("b");
    EXPECT_EQ(harness::takeFrames(out), std::vector<std::string>{"closePipes"});
    EXPECT_EQ(harness::takeFrames(err), std::vector<std::string>{"closePipes"});
    EXPECT_TRUE(bridge().windows().empty());
}

TEST_F(PipeDispatchTest, PopUpWithoutUrlOpensBlankPageAtDefaultRectUnlessFeaturesSetIt) {
    auto openPopUp = [&](const CefPopupFeatures& features) {
        CefWindowInfo info;
        CefRefPtr<CefClient> client;
        CefBrowserSettings settings;
        const auto before = bridge().windows().size();
        bridge().createPopUpWindow("opener", CefString(), features, info, client, settings, 0, true);
        const auto windows = bridge().windows();
        EXPECT_EQ(windows.size(), before + 1);
        return stateOf(windows.back().first);
    };
    const WindowState plain = openPopUp(CefPopupFeatures{});
    EXPECT_TRUE(plain.isPopUp);
    EXPECT_EQ(plain.popUpURL, "about:blank");
    EXPECT_EQ(plain.popUpRect, CefRect(0, 0, 600, 400));
    EXPECT_EQ(plain.popUpParentID, "opener");
    CefPopupFeatures features;
    features.x = 50;
    features.xSet = 1;
    features.height = 123;
    features.heightSet = 1;
    features.width = 999;  // not set: ignored
    EXPECT_EQ(openPopUp(features).popUpRect, CefRect(50, 0, 600, 123));
}

TEST_F(PipeDispatchTest, DownloadPathIsKeptAndReportedAndTitlesArePosted) {
    bridge().setDownloadPath("/tmp/dl");
    EXPECT_EQ(bridge().downloadPath(), "/tmp/dl");
    const auto messages = sent();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].windowid(), "");
    EXPECT_EQ(messages[0].setdownloaddir().path(), "/tmp/dl");

    auto window = openWindow("titled");
    bridge().updateWindowTitle("titled", "New title");
    bridge().updateWindowTitle("absent", "ignored");
    runUiTasks();
    EXPECT_EQ(stateOf(window).title, "New title");
}

TEST_F(PipeDispatchTest, ReaderPerformsEveryFrameUntilTheStreamEnds) {
    std::stringstream input;
    cefclient_utils::sendMessageToPipe(input, harness::frame(newWindowRequest("read-1")));
    cefclient_utils::sendMessageToPipe(input, "");
    cefclient_utils::sendMessageToPipe(input, "garbage");
    cefclient_utils::sendMessageToPipe(input, harness::frame(newWindowRequest("read-2")));
    bridge().attachPipe(input, out, err);
    bridge().readPipeMessages();
    EXPECT_TRUE(bridge().findNativeWindowByID("read-1"));
    EXPECT_TRUE(bridge().findNativeWindowByID("read-2"));
}
