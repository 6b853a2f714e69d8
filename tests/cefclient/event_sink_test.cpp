// The window event sink: the pipe report of every event and the renderer messages.
#include <functional>

#include "BridgeHarness.h"
#include "cef/popup_features.h"
#include "cef/testing.h"
#include "cefclient/Loggers.h"
#include "cefclient/WindowEventHandler.h"
#include "foundation/log/testing.h"
#include "veltranelib/app_startup.h"
#include "veltranelib/switches.h"
#include "veltranelib/testing.h"

using cefclient_messages::windowMessage;
using veltranelib::testing::stateOf;

namespace {

class EventSinkTest : public harness::BridgeTest {
protected:
    void SetUp() override {
        BridgeTest::SetUp();
        handler = new WindowEventHandler("sink", true);
        window = NativeWindow::makeNativeWindow("sink", true, handler, "", "");
        bridge().registerWebWindow(window, handler);
        window->newWindow("https://sink.test/", CefRect(0, 0, 640, 480), true, "Standard", "", false);
        runUiTasks();
        sent();
    }

    windowMessage only() {
        runUiTasks();
        auto messages = sent();
        EXPECT_EQ(messages.size(), 1u);
        return messages.empty() ? windowMessage() : messages[0];
    }

    static std::vector<std::string> argumentsOf(const CefRefPtr<CefProcessMessage>& message) {
        std::vector<std::string> result;
        auto args = message->GetArgumentList();
        for (std::size_t i = 0; i < args->GetSize(); ++i) {
            result.push_back(args->GetType(i) == VTYPE_INT ? std::to_string(args->GetInt(i))
                                                           : args->GetString(i).ToString());
        }
        return result;
    }

    scoped_refptr<WindowEventHandler> handler;
    scoped_refptr<NativeWindow> window;
};

}  // namespace

TEST_F(EventSinkTest, EachEventBecomesOneMessageUnderTheWindowID) {
    struct Case {
        const char* name;
        std::function<void(WindowEventHandler&)> raise;
        std::function<bool(const windowMessage&)> check;
    };
    const std::vector<Case> cases = {
        {"state", [](auto& h) { h.windowStateEvent("WindowMaximized"); },
         [](const auto& m) { return m.setcommand().command() == "WindowMaximized"; }},
        {"position", [](auto& h) { h.getPositionEvent(1, 2, 3, 4); },
         [](const auto& m) { return m.has_getposition() && m.getposition().height() == 4; }},
        {"outer position", [](auto& h) { h.getOuterPositionEvent(1, 2, 3, 4); },
         [](const auto& m) { return m.has_getouterposition() && m.getouterposition().x() == 1; }},
        {"resize", [](auto& h) { h.resizeEvent(5, 6, 7, 8, true); },
         [](const auto& m) { return m.setposition().didendresize() && m.setposition().timestamp() > 0; }},
        {"outer resize", [](auto& h) { h.resizeEventOuterPosition(5, 6, 7, 8, false); },
         [](const auto& m) { return m.has_setouterposition() && m.setouterposition().width() == 7; }},
        {"download", [](auto& h) { h.downloadEvent("done", "/tmp/f"); },
         [](const auto& m) { return m.setdownload().status() == "done" && m.setdownload().filepath() == "/tmp/f"; }},
        {"download dir", [](auto& h) { h.updateDownloadLocation("/tmp/d"); },
         [](const auto& m) { return m.setdownloaddir().path() == "/tmp/d"; }},
        {"process exit", [](auto& h) { h.processExitEvent(-3); },
         [](const auto& m) { return m.renderprocessexit().status() == -3; }},
        {"focus", [](auto& h) { h.focusEvent(false); },
         [](const auto& m) { return m.setcommand().command() == "WindowLost"; }},
        {"script", [](auto& h) { h.javascriptResultEvent(true, "oops"); },
         [](const auto& m) { return m.javascriptreturn().waserror() && m.javascriptreturn().jsvalue() == "oops"; }},
        {"title", [](auto& h) { h.titleEvent("T"); }, [](const auto& m) { return m.settitle().title() == "T"; }},
        {"icon", [](auto& h) { h.iconEvent("i"); }, [](const auto& m) { return m.seticon().icon() == "i"; }},
        {"screenshot", [](auto& h) { h.screenshotEvent(std::string("\0PNG", 4), 2, 3); },
         [](const auto& m) { return m.screenshot().imagedata() == std::string("\0PNG", 4); }},
        {"pdf", [](auto& h) { h.printToPDFEvent(true); }, [](const auto& m) { return m.pdfevent().success(); }},
        {"zoom", [](auto& h) { h.notifyZoomLevel(-2); },
         [](const auto& m) { return m.setzoomlevel().zoom() == -2; }},
        {"activity", [](auto& h) { h.notifyUserActivity(); },
         [](const auto& m) { return m.setcommand().command() == "UserActivity"; }},
        {"js position", [](auto& h) { h.notifySetPositionFromJavaScript(CefRect(1, 1, 9, 9)); },
         [](const auto& m) { return m.setpositionfromjavascript().width() == 9; }},
        {"js outer position", [](auto& h) { h.notifySetOuterPositionFromJavaScript(CefRect(1, 1, 9, 9)); },
         [](const auto& m) { return m.setouterpositionfromjavascript().height() == 9; }},
        {"drop", [](auto& h) { h.notifyDragDropEvent({"/a", "/b"}); },
         [](const auto& m) { return m.droppedfile_size() == 2 && m.droppedfile(1).filepath() == "/b"; }},
        {"on top", [](auto& h) { h.OnWindowOnTopEvent(true); },
         [](const auto& m) { return m.windowalwaysontop().alwaysontop(); }},
        {"resizable", [](auto& h) { h.OnSetResizable(false); },
         [](const auto& m) { return m.has_windowresizable() && !m.windowresizable().resizable(); }},
        {"min size", [](auto& h) { h.OnSetMinSize(10, 20); },
         [](const auto& m) { return m.setminsize().minheight() == 20; }},
        {"max size", [](auto& h) { h.OnSetMaxSize(30, 40); },
         [](const auto& m) { return m.setmaxsize().maxwidth() == 30; }},
        {"to front", [](auto& h) { h.bringToFrontFromTarnel(); },
         [](const auto& m) { return m.setcommand().command() == "bringToFront"; }},
    };
    for (const Case& c : cases) {
        c.raise(*handler);
        const windowMessage message = only();
        EXPECT_EQ(message.windowid(), "sink") << c.name;
        EXPECT_TRUE(c.check(message)) << c.name;
    }
}

TEST_F(EventSinkTest, EmptyDropListAndUnnamedHandlerStillSendTheirMessage) {
    handler->notifyDragDropEvent({});
    windowMessage message = only();
    EXPECT_EQ(message.droppedfile_size(), 0);
    EXPECT_EQ(message.SerializeAsString().size(), std::string("\x0a\x04sink").size());
    scoped_refptr<WindowEventHandler> unnamed(new WindowEventHandler());
    unnamed->focusEvent(true);
    message = only();
    EXPECT_TRUE(message.has_windowid());
    EXPECT_EQ(message.windowid(), "");
}

TEST_F(EventSinkTest, NewPopUpIsReportedUnderItsParent) {
    handler->windowCreatedEvent("https://p.test/", "child", "parent", true, 77);
    const windowMessage message = only();
    EXPECT_EQ(message.windowid(), "parent");
    EXPECT_EQ(message.popupwindow().newwindowid(), "child");
    EXPECT_EQ(message.popupwindow().windowhandle(), 77u);
}

TEST_F(EventSinkTest, FinishedLoadReportsTwiceAndSetsTheTitleOnlyWhileOpen) {
    handler->loadFinishedEvent("", "https://a.test/");
    runUiTasks();
    auto messages = sent();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].setcommand().command(), "loadFinished");
    EXPECT_EQ(messages[1].updateurl().url(), "https://a.test/");
    EXPECT_EQ(stateOf(window).title, "");

    handler->loadFinishedEvent("User title", "https://b.test/");
    runUiTasks();
    EXPECT_EQ(sent().size(), 2u);
    EXPECT_EQ(stateOf(window).title, "User title");

    handler->OnBeforeClose();
    handler->loadFinishedEvent("After close", "https://c.test/");
    runUiTasks();
    EXPECT_EQ(stateOf(window).title, "User title");
}

TEST_F(EventSinkTest, RendererMessagesWaitForTheBrowserInOrder) {
    scoped_refptr<WindowEventHandler> fresh(new WindowEventHandler("fresh", true));
    fresh->setWindowID("renderer-id");
    fresh->windowStateEvent("WindowMinimized");
    fresh->resizeEvent(1, 2, 3, 4, false);
    fresh->notifyZoomLevel(2);
    auto browser = cef::testing::createBrowser();
    EXPECT_TRUE(cef::testing::sentProcessMessages(browser).empty());
    fresh->browserCreatedEvent(browser);
    fresh->resizeEventOuterPosition(5, 6, 7, 8, true);
    const auto delivered = cef::testing::sentProcessMessages(browser);
    ASSERT_EQ(delivered.size(), 4u);
    for (const auto& entry : delivered) {
        EXPECT_EQ(entry.target, PID_RENDERER);
        EXPECT_EQ(entry.message->GetName().ToString(), "Browser.WindowState");
    }
    EXPECT_EQ(argumentsOf(delivered[0].message),
              (std::vector<std::string>{"renderer-id", "windowStateChange", "WindowMinimized"}));
    EXPECT_EQ(argumentsOf(delivered[1].message),
              (std::vector<std::string>{"renderer-id", "positionChange", "1", "2", "3", "4"}));
    EXPECT_EQ(argumentsOf(delivered[2].message), (std::vector<std::string>{"renderer-id", "zoomLevel", "2"}));
    EXPECT_EQ(argumentsOf(delivered[3].message),
              (std::vector<std::string>{"renderer-id", "outerPositionChange", "5", "6", "7", "8"}));
    runUiTasks();
    bool browserCreatedSent = false;
    for (const auto& message : sent()) browserCreatedSent |= message.setcommand().command() == "browserCreated";
    EXPECT_TRUE(browserCreatedSent);
}

TEST_F(EventSinkTest, VisibilityStatesCountAsPerformedWindowUpdates) {
    const int before = stateOf(window).windowUpdatesPerformed;
    handler->windowStateEvent("WindowVisible");
    handler->windowStateEvent("WindowMinimized");
    handler->windowStateEvent("WindowHidden");
    runUiTasks();
    EXPECT_EQ(stateOf(window).windowUpdatesPerformed, before + 2);
}

TEST_F(EventSinkTest, CloseRequestClosesUnlessTheHostDecides) {
    const std::string customClose = std::string("--") + cefclient::kCustomCloseListenerEnabled + "=1";
    const char* argv[] = {"Veltrane", customClose.c_str()};
    AppInitCommandLine(2, argv);
    handler->closeEvent();
    AppInitCommandLine(0, nullptr);
    runUiTasks();
    EXPECT_FALSE(stateOf(window).browserClosed);
    const int performed = stateOf(window).windowUpdatesPerformed;
    EXPECT_GE(performed, 1);
    auto messages = sent();
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages[0].setcommand().command(), "windowClosingEvent");

    handler->closeEvent();
    runUiTasks();
    EXPECT_TRUE(stateOf(window).browserClosed);
}

TEST_F(EventSinkTest, WindowTitleSkipsNoTitleAndPrefersTheUserTitle) {
    handler->setWindowTitle("Page", "");
    EXPECT_EQ(stateOf(window).appliedTitle, "Page");
    handler->setWindowTitle("Page", "Mine");
    EXPECT_EQ(stateOf(window).appliedTitle, "Mine");
    handler->setWindowTitle("NoTitle", "");
    EXPECT_EQ(stateOf(window).appliedTitle, "");
    runUiTasks();
    EXPECT_TRUE(sent().empty());
}

TEST_F(EventSinkTest, QuestionsAreAnsweredByTheBridge) {
    bridge().addAllowedCertificates("X\n-----END CERTIFICATE-----");
    EXPECT_TRUE(handler->isCertificateAllowed("X\r\n-----END CERTIFICATE-----"));
    EXPECT_FALSE(handler->isCertificateAllowed("Y-----END CERTIFICATE-----"));
    bridge().setProxyCredentials("u", "p");
    EXPECT_EQ(handler->getProxyCredentials(), std::make_pair(std::string("u"), std::string("p")));
}

TEST_F(EventSinkTest, DebugRecordListsEachValueAfterItsLabel) {
    foundation::log::testing::record_capture capture;
    auto& channel = veltrane_log::windowEventHandlerLogger();
    channel.set_mask(2);
    handler->getPositionEvent(1, -2, 3, 4);
    handler->focusEvent(true);
    channel.set_mask(0);
    const auto records = capture.records("veltrane::windoweventhandler");
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].message, " x=1 y=-2 width=3 height=4");
    EXPECT_EQ(records[1].message, " focus=1");
    EXPECT_EQ(sent().size(), 2u);
}

TEST_F(EventSinkTest, CountsItsReferences) {
    scoped_refptr<WindowEventHandler> own(new WindowEventHandler("count", false));
    EXPECT_TRUE(own->HasOneRef());
    {
        scoped_refptr<WindowEventHandler> second = own;
        EXPECT_FALSE(own->HasOneRef());
        EXPECT_TRUE(own->HasAtLeastOneRef());
    }
    EXPECT_TRUE(own->HasOneRef());
}

TEST_F(EventSinkTest, PopUpOpensItsUrlAsAStandardWindowWithTheStoredVisibilityOnceItsBrowserExists) {
    for (const bool visible : {false, true}) {
        SCOPED_TRACE(visible);
        CefPopupFeatures features;
        features.width = 321;
        features.widthSet = 1;
        CefWindowInfo info;
        CefRefPtr<CefClient> client;
        CefBrowserSettings settings;
        handler->newWindowRequestEvent(CefString("https://popup.test/"), features, info, client, settings, visible);
        EXPECT_EQ(info.hidden, visible ? 0 : 1);
        const auto popUp = bridge().windows().back();
        ASSERT_TRUE(stateOf(popUp.first).isPopUp);
        runUiTasks();
        EXPECT_EQ(stateOf(popUp.first).url, "") << "nothing opens before the engine has made the browser";

        popUp.second->browserCreatedEvent(cef::testing::createBrowser());
        runUiTasks();
        const auto state = stateOf(popUp.first);
        EXPECT_EQ(state.url, "https://popup.test/");
        EXPECT_EQ(state.windowType, "Standard");
        EXPECT_EQ(state.visible, visible);
        EXPECT_EQ(state.position, CefRect(0, 0, 321, 400));
    }
}

TEST_F(EventSinkTest, ActivationAndModalityOfTheWindowGoThroughTheRegistry) {
    scoped_refptr<window_notifier::IVeltraneInterface> otherSink(new WindowEventHandler("other", true));
    auto other = NativeWindow::makeNativeWindow("other", true, otherSink, "", "");
    bridge().registerWebWindow(other, otherSink);
    runUiTasks();

    handler->OnWindowModal(true);
    runUiTasks();
    EXPECT_TRUE(stateOf(window).modal);
    EXPECT_FALSE(stateOf(window).disabled);
    EXPECT_TRUE(stateOf(other).disabled);
    handler->OnWindowModal(false);
    runUiTasks();
    EXPECT_FALSE(stateOf(window).modal);
    EXPECT_FALSE(stateOf(other).disabled);

    handler->OnActivateCurrentWindow(false);
    runUiTasks();
    EXPECT_TRUE(stateOf(window).disabled);
    EXPECT_FALSE(stateOf(other).disabled);
    EXPECT_FALSE(stateOf(other).allWindowsActive);
    handler->OnActivateAllWindows(true);
    runUiTasks();
    EXPECT_FALSE(stateOf(window).disabled);
    EXPECT_TRUE(stateOf(other).allWindowsActive);
}
