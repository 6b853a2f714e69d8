// The exchange service in-process: the host's commands reach their handlers through the process-wide exchange,
// window operations wait for the UI loop, registry and credential commands act at once, and every command replies.
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <thread>

#include <boost/make_shared.hpp>
#include <gtest/gtest.h>

#include "cefclient/CEFBrowserService.h"
#include "cefclient/LogStyle.h"
#include "cefclient/Loggers.h"
#include "cefclient/NativeWindowManager.h"
#include "cefclient/tarnel_interface.h"
#include "cefexchange/messages.h"
#include "foundation/log/testing.h"
#include "foundation/msg_svc/exchange/testing.h"
#include "foundation/msg_svc/exchange/unexpected_message.h"
#include "foundation/msg_svc/transport/layers/session/testing.h"
#include "veltranelib/main_message_loop_std.h"
#include "veltranelib/testing.h"

namespace exchange = foundation::msg_svc::exchange;
using veltranelib::testing::stateOf;
using veltranelib::testing::WindowState;
using MessagePtr = boost::shared_ptr<const exchange::Message>;

namespace {

constexpr auto kReplyWait = std::chrono::seconds(30);

client::tarnel_interface& bridge() { return *client::tarnel_interface::instance(); }

MessagePtr newWindow(const std::string& id, const std::string& url = "https://example.test/") {
    return boost::make_shared<cefexchange::NewWindowMessage>(id, url, 10, 20, 300, 200, 3, true, "Standard", "extra",
                                                             true, "p1", "p2");
}

// A message of no service interface.
class StrayMessage : public exchange::Message {
public:
    void toString(std::ostream& stream, int) const override { stream << "stray"; }
};

// Sends to the service of this process and waits for the reply.
boost::shared_ptr<const exchange::Reply> command(const MessagePtr& message) {
    auto api = exchange::ExchangeApi::instance();
    auto answered = std::make_shared<std::promise<boost::shared_ptr<const exchange::Reply>>>();
    auto reply = answered->get_future();
    api->send(message, exchange::Address(api->localName(), cefexchange::CEFServiceAPI::serviceName),
              [answered](const auto& r) { answered->set_value(r); });
    if (reply.wait_for(kReplyWait) != std::future_status::ready) {
        ADD_FAILURE() << "no reply";
        return nullptr;
    }
    return reply.get();
}

class BrowserServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        bridge().setExchangeSession(foundation::msg_svc::transport::layers::session::testing::makeAttachedSession("host"));
        service = client::CEFBrowserService::create();
        serviceThread = std::thread([service = service] { service->mainServiceLoop(); });
    }
    void TearDown() override {
        service->stop();
        serviceThread.join();
        runUiTasks();
        for (const auto& entry : bridge().windows()) bridge().deregisterWebWindow(entry.first->getID());
    }

    // Runs what the service posted; a fresh loop takes over before the old one goes, so posting never lacks one.
    void runUiTasks() {
        client::MainMessageLoop* current = loop.get();
        current->PostClosure(base::Bind([current] { current->Quit(); }));
        current->Run();
        loop = std::make_unique<client::MainMessageLoopStd>();
    }

    scoped_refptr<NativeWindow> openWindow(const std::string& id) {
        EXPECT_EQ(command(newWindow(id)), exchange::Reply::defaultReply());
        runUiTasks();
        auto window = bridge().findNativeWindowByID(id);
        EXPECT_TRUE(window) << id;
        return window;
    }

    std::unique_ptr<client::MainMessageLoop> loop = std::make_unique<client::MainMessageLoopStd>();
    exchange::testing::RecordingPartner host{"host"};
    boost::shared_ptr<client::CEFBrowserService> service;
    std::thread serviceThread;
};

// A command that acts on its window through the UI loop, and how to see that it did.
struct PostedRow {
    const char* name;
    std::function<MessagePtr(const std::string& windowID)> message;
    std::function<bool(const WindowState&)> acted;
};

std::vector<PostedRow> postedRows() {
    using namespace cefexchange;
    return {
        {"SetTitle", [](auto id) { return boost::make_shared<SetTitleMessage>(id, "T"); },
         [](const WindowState& s) { return s.title == "T"; }},
        {"SetDragDrop", [](auto id) { return boost::make_shared<SetDragDropMessage>(id, true); },
         [](const WindowState& s) { return s.dragDropEnabled; }},
        {"SetOnTop", [](auto id) { return boost::make_shared<SetOnTopMessage>(id, true); },
         [](const WindowState& s) { return s.alwaysOnTop; }},
        {"PrintToPDF", [](auto id) { return boost::make_shared<PrintToPDFMessage>(id, "/nonexistent/dir/out.pdf"); },
         [](const WindowState& s) { return s.printedPaths == std::vector<std::string>{"/nonexistent/dir/out.pdf"}; }},
        {"SetDownloadDir", [](auto id) { return boost::make_shared<SetDownloadDirMessage>(id, "/tmp/dl"); },
         [](const WindowState& s) { return s.downloadPath == "/tmp/dl"; }},
        {"ExecuteJS", [](auto id) { return boost::make_shared<ExecuteJSMessage>(id, "1+1"); },
         [](const WindowState& s) { return s.executedScripts == std::vector<std::string>{"1+1"}; }},
        {"SetZoomLevel", [](auto id) { return boost::make_shared<SetZoomLevelMessage>(id, 4); },
         [](const WindowState& s) { return s.zoomLevel == 4; }},
        {"SetURL", [](auto id) { return boost::make_shared<SetURLMessage>(id, "https://other.test/"); },
         [](const WindowState& s) { return s.url == "https://other.test/"; }},
        {"SetSize MAX", [](auto id) { return boost::make_shared<SetSizeMessage>(id, 800, 600, "MAX"); },
         [](const WindowState& s) { return s.maximumSize == CefSize(800, 600); }},
        {"SetSize MIN", [](auto id) { return boost::make_shared<SetSizeMessage>(id, 80, 60, "MIN"); },
         [](const WindowState& s) { return s.minimumSize == CefSize(80, 60); }},
        {"SetIcon", [](auto id) { return boost::make_shared<SetIconMessage>(id, "icon.png"); },
         [](const WindowState& s) { return s.icon == "icon.png"; }},
        {"SetPosition", [](auto id) { return boost::make_shared<SetPositionMessage>(id, 1, 2, 33, 44, true, 0u, false); },
         [](const WindowState& s) { return s.position == CefRect(1, 2, 33, 44); }},
        {"SetPosition outer",
         [](auto id) { return boost::make_shared<SetPositionMessage>(id, 5, 6, 77, 88, false, 0u, true); },
         [](const WindowState& s) { return s.outerPosition == CefRect(5, 6, 77, 88); }},
        {"SetCommand hide", [](auto id) { return boost::make_shared<SetCommandMessage>(id, "hide"); },
         [](const WindowState& s) { return !s.visible; }},
    };
}

// Messages the service answers and otherwise ignores.
std::vector<MessagePtr> traceOnlyMessages(const std::string& id) {
    using namespace cefexchange;
    return {
        boost::make_shared<ProcessExitMessage>(id, 3),
        boost::make_shared<ScreenShotMessage>(id, "png", 4, 5),
        boost::make_shared<WindowResizableMessage>(id, false),
        boost::make_shared<WindowAlwaysOnTopMessage>(id, true),
        boost::make_shared<DroppedFileMessage>(id, std::vector<std::string>{"/a"}),
        boost::make_shared<SetPositionFromJavascriptMessage>(id, 1, 2, 3, 4, 0u, true),
        boost::make_shared<UpdateURLMessage>(id, "https://x.test/"),
        boost::make_shared<GetPositionMessage>(id, 1, 2, 3, 4, false),
        boost::make_shared<JavascriptReturnMessage>(id, true, "v"),
        boost::make_shared<PDFEventMessage>(id, true),
        boost::make_shared<SetWindowStateMessage>(id, "WindowMinimized"),
        boost::make_shared<SetDownloadMessage>(id, "done", "/f"),
        boost::make_shared<SetLocationMessage>(id, 9, 9),
        boost::make_shared<PopUpWindowMessage>(id, "https://p.test/", true, 1u, "child"),
    };
}

}  // namespace

TEST_F(BrowserServiceTest, NewWindowIsMadeFromThePayloadAndReportsItsLoadToThePartner) {
    ASSERT_FALSE(bridge().isUsingPipes());
    ASSERT_EQ(command(newWindow("w1")), exchange::Reply::defaultReply());
    // Made and registered on the service thread; opened only by the UI loop.
    auto window = bridge().findNativeWindowByID("w1");
    ASSERT_TRUE(window);
    EXPECT_TRUE(bridge().getWindowManager()->windowInfo(window));
    EXPECT_FALSE(stateOf(window).browserCreated);
    runUiTasks();

    const WindowState state = stateOf(window);
    EXPECT_EQ(state.createParam1, "p1");
    EXPECT_EQ(state.createParam2, "p2");
    EXPECT_EQ(state.origin, 3);
    EXPECT_EQ(state.tarnelProcessID, bridge().getHostProcessID());
    EXPECT_EQ(state.position, CefRect(10, 20, 300, 200));
    EXPECT_EQ(state.windowType, "Standard");
    EXPECT_EQ(state.windowExtra, "extra");
    EXPECT_TRUE(state.windowFlag);
    EXPECT_EQ(state.url, "https://example.test/");

    std::vector<std::string> commands;
    for (const auto& m : host.sentOfType<cefexchange::SetCommandMessage>()) {
        EXPECT_EQ(m->getData().windowid(), "w1");
        commands.push_back(m->getData().command());
    }
    EXPECT_NE(std::find(commands.begin(), commands.end(), "loadStarted"), commands.end());
    EXPECT_NE(std::find(commands.begin(), commands.end(), "loadFinished"), commands.end());
    const auto urls = host.sentOfType<cefexchange::SetURLMessage>();
    ASSERT_EQ(urls.size(), 1u);
    EXPECT_EQ(urls[0]->getData().url(), "https://example.test/");
}

TEST_F(BrowserServiceTest, WindowCommandsActOnlyThroughTheUiLoopAndOnlyOnTheirWindow) {
    auto window = openWindow("known");
    auto other = openWindow("other");
    for (const PostedRow& row : postedRows()) {
        EXPECT_EQ(command(row.message("known")), exchange::Reply::defaultReply()) << row.name;
        EXPECT_FALSE(row.acted(stateOf(window))) << row.name << " acted before the UI loop ran";
        runUiTasks();
        EXPECT_TRUE(row.acted(stateOf(window))) << row.name << " did not act";
        EXPECT_FALSE(row.acted(stateOf(other))) << row.name << " acted on another window";
    }
}

TEST_F(BrowserServiceTest, CommandsForAnUnknownWindowOrKindAreAnsweredAndDoNothing) {
    auto window = openWindow("known");
    const std::size_t reportsBefore = host.sent().size();
    std::vector<MessagePtr> messages;
    for (const PostedRow& row : postedRows()) messages.push_back(row.message("Known"));
    for (const char* word : {"setDeactivateCurrentWindow", "close"})
        messages.push_back(boost::make_shared<cefexchange::SetCommandMessage>("Known", word));
    messages.push_back(boost::make_shared<cefexchange::SetWindowModalMessage>("known ", true));
    messages.push_back(boost::make_shared<cefexchange::SetSizeMessage>("known", 800, 600, "max"));
    messages.push_back(boost::make_shared<cefexchange::SetSizeMessage>("known", 80, 60, "MINIMUM"));
    for (const char* word : {"Show", "minimize ", "", "maximise"})
        messages.push_back(boost::make_shared<cefexchange::SetCommandMessage>("known", word));
    for (const MessagePtr& message : messages) EXPECT_EQ(command(message), exchange::Reply::defaultReply());
    runUiTasks();

    const WindowState state = stateOf(window);
    for (const PostedRow& row : postedRows()) EXPECT_FALSE(row.acted(state)) << row.name;
    EXPECT_FALSE(state.disabled);
    EXPECT_FALSE(state.browserClosed);
    EXPECT_TRUE(state.stateWord.empty());
    EXPECT_EQ(bridge().getWindowManager()->modalityLevel(), 0);
    EXPECT_EQ(host.sent().size(), reportsBefore);
}

TEST_F(BrowserServiceTest, MessagesThisProcessSendsAreAnsweredAndIgnored) {
    auto window = openWindow("w");
    const std::size_t reportsBefore = host.sent().size();
    for (const MessagePtr& message : traceOnlyMessages("w")) {
        EXPECT_EQ(command(message), exchange::Reply::defaultReply());
    }
    runUiTasks();
    EXPECT_EQ(host.sent().size(), reportsBefore);
    const WindowState state = stateOf(window);
    EXPECT_EQ(state.position, CefRect(10, 20, 300, 200));
    EXPECT_TRUE(state.stateWord.empty());
    EXPECT_FALSE(state.alwaysOnTop);
    EXPECT_TRUE(state.resizable);
}

TEST_F(BrowserServiceTest, RegistryAndCredentialCommandsActOnTheServiceThreadAtOnce) {
    auto window = openWindow("modal");
    auto other = openWindow("plain");
    const auto manager = bridge().getWindowManager();

    command(boost::make_shared<cefexchange::SetWindowModalMessage>("modal", true));
    EXPECT_EQ(manager->modalWindows(), std::vector<scoped_refptr<NativeWindow>>{window});
    EXPECT_EQ(manager->modalityLevel(), 1);
    ASSERT_EQ(host.sentOfType<cefexchange::SetWindowModalMessage>().size(), 1u);
    runUiTasks();
    EXPECT_TRUE(stateOf(other).disabled);
    command(boost::make_shared<cefexchange::SetWindowModalMessage>("modal", false));
    EXPECT_TRUE(manager->modalWindows().empty());
    runUiTasks();

    command(boost::make_shared<cefexchange::SetCommandMessage>("plain", "setDeactivateCurrentWindow"));
    EXPECT_FALSE(manager->windowInfo(other)->active);
    command(boost::make_shared<cefexchange::SetCommandMessage>("plain", "setActivateCurrentWindow"));
    EXPECT_TRUE(manager->windowInfo(other)->active);

    // The window ID of this one is not read.
    const std::size_t activationReports = host.sentOfType<cefexchange::SetAllWindowActivatedMessage>().size();
    command(boost::make_shared<cefexchange::SetAllWindowActivatedMessage>("nobody", false));
    EXPECT_EQ(host.sentOfType<cefexchange::SetAllWindowActivatedMessage>().size(), activationReports + 2);
    runUiTasks();
    EXPECT_TRUE(stateOf(window).disabled);
    EXPECT_TRUE(stateOf(other).disabled);

    const std::string pem = "-----BEGIN CERTIFICATE-----\nAAA\n-----END CERTIFICATE-----";
    command(boost::make_shared<cefexchange::AllowCertificateMessage>("nobody", pem));
    EXPECT_TRUE(bridge().isCertificateAllowed(pem));
    command(boost::make_shared<cefexchange::ProxyAuthMessage>("nobody", "user", "secret"));
    EXPECT_EQ(bridge().getProxyCredentials(), std::make_pair(std::string("user"), std::string("secret")));
}

TEST_F(BrowserServiceTest, CommandWordsAreTheWindowCommandsOfThePipe) {
    auto window = openWindow("cmd");
    auto word = [&](const std::string& text) {
        command(boost::make_shared<cefexchange::SetCommandMessage>("cmd", text));
        runUiTasks();
        return stateOf(window);
    };
    EXPECT_EQ(word("minimize").stateWord, "WindowMinimized");
    EXPECT_EQ(word("maximize").stateWord, "WindowMaximized");
    EXPECT_EQ(word("fullscreen").stateWord, "WindowFullscreen");
    EXPECT_EQ(word("restore").stateWord, "WindowRestored");
    EXPECT_EQ(word("bringToFront").broughtToFront, 1);
    EXPECT_FALSE(word("hide").visible);
    EXPECT_TRUE(word("show").visible);
    EXPECT_EQ(word("stopDownload").downloadsStopped, 1);
    EXPECT_FALSE(word("DisableResizing").resizable);
    EXPECT_TRUE(word("EnableResizing").resizable);
    EXPECT_TRUE(word("enablePopUpWindow").popUpWindowsEnabled);

    const std::size_t before = host.sent().size();
    word("GetPosition");
    word("GetOuterPosition");
    word("getScreenshot");
    const auto positions = host.sentOfType<cefexchange::GetPositionMessage>();
    ASSERT_EQ(positions.size(), 2u);
    EXPECT_FALSE(positions[0]->getData().outer());
    EXPECT_TRUE(positions[1]->getData().outer());
    EXPECT_EQ(host.sentOfType<cefexchange::ScreenShotMessage>().size(), 1u);
    EXPECT_EQ(host.sent().size(), before + 3);

    EXPECT_TRUE(word("close").browserClosed);
    EXPECT_FALSE(bridge().findNativeWindowByID("cmd"));
}

TEST_F(BrowserServiceTest, MessageOfAnotherInterfaceIsRefusedAtIntakeAndServingGoesOn) {
    auto api = exchange::ExchangeApi::instance();
    const exchange::Address serviceAddress(api->localName(), cefexchange::CEFServiceAPI::serviceName);
    EXPECT_THROW(api->send(boost::make_shared<StrayMessage>(), serviceAddress), exchange::UnexpectedMessage);
    auto window = openWindow("after");
    EXPECT_EQ(command(boost::make_shared<cefexchange::SetTitleMessage>("after", "still served")),
              exchange::Reply::defaultReply());
    runUiTasks();
    EXPECT_EQ(stateOf(window).title, "still served");
}

TEST_F(BrowserServiceTest, DebugRecordsOnlyWithTheDebugBitAndOnlyForTheRowsThatWriteThem) {
    auto window = openWindow("logged");
    auto& logger = veltrane_log::browserServiceLogger();
    foundation::log::testing::record_capture capture;
    const std::vector<MessagePtr> messages = {
        boost::make_shared<cefexchange::SetURLMessage>("logged", "https://log.test/"),
        boost::make_shared<cefexchange::SetTitleMessage>("logged", "quiet"),
        boost::make_shared<cefexchange::SetSizeMessage>("logged", 1, 1, "MAX"),
        boost::make_shared<cefexchange::AllowCertificateMessage>("logged", "pem"),
        boost::make_shared<cefexchange::PrintToPDFMessage>("logged", "/nonexistent/x.pdf"),
        boost::make_shared<cefexchange::ProxyAuthMessage>("logged", "u", "p"),
        newWindow("logged-2"),
    };
    for (const MessagePtr& message : messages) command(message);
    EXPECT_TRUE(capture.records("client::CEFBrowserService").empty());

    logger.set_mask(veltrane_log::kDebug);
    for (const MessagePtr& message : messages) command(message);
    logger.set_mask(0);
    std::vector<std::string> texts;
    for (const auto& record : capture.records("client::CEFBrowserService")) {
        EXPECT_EQ(record.severity, veltrane_log::kDebug);
        texts.push_back(record.message);
    }
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0].rfind(" msg=", 0), 0u) << texts[0];
    EXPECT_NE(texts[0].find("https://log.test/"), std::string::npos) << texts[0];
    EXPECT_EQ(texts[1].rfind(" windowMsg=", 0), 0u) << texts[1];
    EXPECT_EQ(texts[2].rfind(" windowMsg=", 0), 0u) << texts[2];
    EXPECT_NE(texts[2].find("logged-2"), std::string::npos) << texts[2];

    capture.clear();
    logger.set_mask(veltrane_log::kScopeEntry | veltrane_log::kScopeExit);
    command(messages[3]);  // AllowCertificate: no trace
    command(messages[4]);  // PrintToPDF: no trace
    EXPECT_TRUE(capture.records("client::CEFBrowserService").empty());
    command(messages[1]);
    logger.set_mask(0);
    const auto traced = capture.records("client::CEFBrowserService");
    ASSERT_EQ(traced.size(), 2u);
    EXPECT_NE(traced[0].message.find("SetTitleMessage"), std::string::npos) << traced[0].message;
    EXPECT_EQ(traced[0].severity, veltrane_log::kScopeEntry);
    EXPECT_EQ(traced[1].severity, veltrane_log::kScopeExit);
    runUiTasks();
}

// The service and UI threads together, with commands from several hosts' threads while windows open and close.
TEST(BrowserServiceThreads, CommandsWhileWindowsOpenAndClose) {
    bridge().setExchangeSession(foundation::msg_svc::transport::layers::session::testing::makeAttachedSession("host"));
    exchange::testing::RecordingPartner host("host");
    client::MainMessageLoopStd loop;
    std::thread ui([&] { loop.Run(); });
    auto service = client::CEFBrowserService::create();
    std::thread serviceThread([service] { service->mainServiceLoop(); });
    // Open throughout: the last window's closing would end the UI loop.
    command(newWindow("anchor"));

    auto hostThread = [](int first) {
        for (int round = 0; round < 20; ++round) {
            const std::string id = "t" + std::to_string(first) + "-" + std::to_string(round);
            const std::string neighbour = "t" + std::to_string(1 - first) + "-" + std::to_string(round);
            command(newWindow(id));
            command(boost::make_shared<cefexchange::SetTitleMessage>(neighbour, "from " + id));
            command(boost::make_shared<cefexchange::SetWindowModalMessage>(id, round % 2 == 0));
            command(boost::make_shared<cefexchange::SetAllWindowActivatedMessage>(id, round % 3 != 0));
            command(boost::make_shared<cefexchange::SetCommandMessage>(neighbour, "setDeactivateCurrentWindow"));
            command(boost::make_shared<cefexchange::ProxyAuthMessage>(id, id, "p"));
            command(boost::make_shared<cefexchange::SetCommandMessage>(id, "close"));
        }
    };
    std::thread first(hostThread, 0);
    std::thread second(hostThread, 1);
    first.join();
    second.join();

    std::promise<void> drained;
    loop.PostClosure(base::Bind([&] { drained.set_value(); }));
    ASSERT_EQ(drained.get_future().wait_for(kReplyWait), std::future_status::ready);
    ASSERT_EQ(bridge().windows().size(), 1u);
    EXPECT_EQ(bridge().windows()[0].first->getID(), "anchor");
    service->stop();
    serviceThread.join();
    loop.Quit();
    ui.join();
}
