// Qt client mode: host commands become signals of the bridge, observed through real connections.
#include <functional>

#include <QtCore/QCoreApplication>
#include <QtCore/QMetaMethod>
#include <gtest/gtest.h>

#include "cefclient/WindowEventHandler.h"
#include "cefclient/tarnel_interface.h"
#include "veltranelib/app_startup.h"
#include "veltranelib/main_message_loop_std.h"

using cefclient_messages::windowMessage;

namespace {

class QtModeEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        const char* argv[] = {"Veltrane", "--from-webwindow", "--using-qt"};
        AppInitCommandLine(3, argv);
    }
};

[[maybe_unused]] const auto* const environment = ::testing::AddGlobalTestEnvironment(new QtModeEnvironment);

client::tarnel_interface& bridge() { return *client::tarnel_interface::instance(); }

// Every signal of the bridge, as "name:arguments" in emission order.
class SignalLog {
public:
    SignalLog() {
        auto* b = &bridge();
        using B = client::tarnel_interface;
        auto add = [this](std::string text) { emitted.push_back(std::move(text)); };
        auto s = [](const QString& text) { return text.toStdString(); };
        connections = {
            QObject::connect(b, &B::newWindow, [=](QWindowParamsPtr p) { add("newWindow:" + p->windowID); }),
            QObject::connect(b, &B::setURL, [=](QString id, QString v) { add("setURL:" + s(id) + "," + s(v)); }),
            QObject::connect(b, &B::setIcon, [=](QString id, QString v) { add("setIcon:" + s(id) + "," + s(v)); }),
            QObject::connect(b, &B::setTitle, [=](QString id, QString v) { add("setTitle:" + s(id) + "," + s(v)); }),
            QObject::connect(b, &B::windowCommand,
                             [=](QString id, QString v) { add("windowCommand:" + s(id) + "," + s(v)); }),
            QObject::connect(b, &B::updatePosition,
                             [=](QString id, bool inner, int x, int y, int w, int h) {
                                 add("updatePosition:" + s(id) + "," + std::to_string(inner) + "," +
                                     std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(w) + "," +
                                     std::to_string(h));
                             }),
            QObject::connect(b, &B::lastWindowClosed, [=] { add("lastWindowClosed"); }),
            QObject::connect(b, &B::setZoomLevel,
                             [=](QString id, int z) { add("setZoomLevel:" + s(id) + "," + std::to_string(z)); }),
            QObject::connect(b, &B::setMinMaxSize,
                             [=](QString id, QSize size, bool max) {
                                 add("setMinMaxSize:" + s(id) + "," + std::to_string(size.width()) + "x" +
                                     std::to_string(size.height()) + "," + std::to_string(max));
                             }),
            QObject::connect(b, &B::setWindowOnTop,
                             [=](QString id, bool v) { add("setWindowOnTop:" + s(id) + "," + std::to_string(v)); }),
            QObject::connect(b, &B::enableDragDrop,
                             [=](QString id, bool v) { add("enableDragDrop:" + s(id) + "," + std::to_string(v)); }),
            QObject::connect(b, &B::executeJS, [=](QString id, QString v) { add("executeJS:" + s(id) + "," + s(v)); }),
            QObject::connect(b, &B::updateDownloadPath,
                             [=](QString id, QString v) { add("updateDownloadPath:" + s(id) + "," + s(v)); }),
            QObject::connect(b, &B::printToPDF,
                             [=](QString id, QString v) { add("printToPDF:" + s(id) + "," + s(v)); }),
            QObject::connect(b, &B::handleAllWindowsActivated,
                             [=](QString id, bool v) { add("handleAllWindowsActivated:" + s(id) + "," + std::to_string(v)); }),
            QObject::connect(b, &B::handleWindowModal,
                             [=](QString id, bool v) { add("handleWindowModal:" + s(id) + "," + std::to_string(v)); }),
        };
    }
    ~SignalLog() {
        for (const auto& connection : connections) QObject::disconnect(connection);
    }
    std::vector<std::string> emitted;

private:
    std::vector<QMetaObject::Connection> connections;
};

windowMessage newWindowRequest(const std::string& id) {
    windowMessage message;
    message.set_windowid(id);
    auto* w = message.mutable_newwindow();
    w->set_url("https://qt.test/"), w->set_x(1), w->set_y(2), w->set_width(3), w->set_height(4);
    w->set_origin(7), w->set_visible(false), w->set_windowtype("Type"), w->set_windowextra("Extra");
    w->set_windowflag(true), w->set_createparam1("one"), w->set_createparam2("two");
    return message;
}

struct QtRow {
    std::function<void(windowMessage&)> fill;
    std::string signal;
};

std::vector<QtRow> qtOrder() {
    return {
        {[](auto& m) { *m.mutable_newwindow() = newWindowRequest("q").newwindow(); }, "newWindow:q"},
        {[](auto& m) { m.mutable_seturl()->set_url("u"); }, "setURL:q,u"},
        {[](auto& m) { m.mutable_seticon()->set_icon("i"); }, "setIcon:q,i"},
        {[](auto& m) { m.mutable_settitle()->set_title("t"); }, "setTitle:q,t"},
        {[](auto& m) { m.mutable_setzoomlevel()->set_zoom(5); }, "setZoomLevel:q,5"},
        {[](auto& m) { m.mutable_setmaxsize()->set_maxwidth(800), m.mutable_setmaxsize()->set_maxheight(600); },
         "setMinMaxSize:q,800x600,1"},
        {[](auto& m) { m.mutable_setminsize()->set_minwidth(8), m.mutable_setminsize()->set_minheight(6); },
         "setMinMaxSize:q,8x6,0"},
        {[](auto& m) { m.mutable_setontop()->set_ontop(true); }, "setWindowOnTop:q,1"},
        {[](auto& m) { m.mutable_setdragdrop()->set_enable(true); }, "enableDragDrop:q,1"},
        {[](auto& m) { m.mutable_executejs()->set_script("s"); }, "executeJS:q,s"},
        {[](auto& m) { m.mutable_setdownloaddir()->set_path("d"); }, "updateDownloadPath:q,d"},
        {[](auto& m) { m.mutable_printtopdf()->set_path("p"); }, "printToPDF:q,p"},
        {[](auto& m) { m.mutable_setallwindowsactivated()->set_activate(true); }, "handleAllWindowsActivated:q,1"},
        {[](auto& m) { m.mutable_setwindowmodal()->set_modal(true); }, "handleWindowModal:q,1"},
        {[](auto& m) {
             auto* p = m.mutable_setposition();
             p->set_x(1), p->set_y(2), p->set_width(3), p->set_height(4), p->set_didendresize(false), p->set_timestamp(0);
         },
         "updatePosition:q,1,1,2,3,4"},
        {[](auto& m) {
             auto* p = m.mutable_setouterposition();
             p->set_x(5), p->set_y(6), p->set_width(7), p->set_height(8), p->set_didendresize(false), p->set_timestamp(0);
         },
         "updatePosition:q,0,5,6,7,8"},
        {[](auto& m) { m.mutable_setcommand()->set_command("NotANativeWord"); }, "windowCommand:q,NotANativeWord"},
    };
}

}  // namespace

TEST(QtClientMode, MetaObjectHasTheSixteenSignalsInOrder) {
    const QMetaObject* meta = bridge().metaObject();
    EXPECT_STREQ(meta->className(), "client::tarnel_interface");
    ASSERT_EQ(meta->methodCount() - meta->methodOffset(), 16);
    const char* names[] = {"newWindow", "setURL", "setIcon", "setTitle", "windowCommand", "updatePosition",
                           "lastWindowClosed", "setZoomLevel", "setMinMaxSize", "setWindowOnTop", "enableDragDrop",
                           "executeJS", "updateDownloadPath", "printToPDF", "handleAllWindowsActivated",
                           "handleWindowModal"};
    for (int i = 0; i < 16; ++i) {
        const QMetaMethod method = meta->method(meta->methodOffset() + i);
        EXPECT_EQ(method.methodType(), QMetaMethod::Signal);
        EXPECT_EQ(method.name().toStdString(), names[i]);
    }
    EXPECT_EQ(bridge().qt_metacast("client::tarnel_interface"), &bridge());
    const QMetaMethod newWindow = meta->method(meta->methodOffset());
    EXPECT_EQ(QByteArray(QMetaType::typeName(newWindow.parameterType(0))), QByteArray("QWindowParamsPtr"));
}

TEST(QtClientMode, OnlyTheFirstPresentSubMessageBecomesASignal) {
    const auto rows = qtOrder();
    for (std::size_t first = 0; first < rows.size(); ++first) {
        windowMessage message;
        message.set_windowid("q");
        for (std::size_t row = first; row < rows.size(); ++row) rows[row].fill(message);
        SignalLog log;
        bridge().processWindowMessages(message.SerializeAsString());
        EXPECT_EQ(log.emitted, std::vector<std::string>{rows[first].signal}) << "row " << first;
    }
    windowMessage sizeOnly;
    sizeOnly.set_windowid("q");
    sizeOnly.mutable_setsize()->set_width(1);
    sizeOnly.mutable_setsize()->set_height(1);
    SignalLog log;
    bridge().processWindowMessages(sizeOnly.SerializeAsString());
    EXPECT_TRUE(log.emitted.empty());
}

TEST(QtClientMode, NewWindowCarriesItsParametersCreatesNoWindowAndKeepsCertificates) {
    windowMessage message = newWindowRequest("qt-window");
    message.mutable_allowcertificate()->set_certificate("Q-----END CERTIFICATE-----");
    QWindowParamsPtr received;
    auto connection = QObject::connect(&bridge(), &client::tarnel_interface::newWindow,
                                       [&](QWindowParamsPtr params) { received = params; });
    bridge().processWindowMessages(message.SerializeAsString());
    QObject::disconnect(connection);
    ASSERT_TRUE(received);
    EXPECT_EQ(received->windowID, "qt-window");
    EXPECT_EQ(received->createParam1, "one");
    EXPECT_EQ(received->createParam2, "two");
    EXPECT_EQ(received->rect, CefRect(1, 2, 3, 4));
    EXPECT_FALSE(received->visible);
    EXPECT_EQ(received->windowType, "Type");
    EXPECT_EQ(received->windowExtra, "Extra");
    EXPECT_TRUE(received->windowFlag);
    EXPECT_EQ(received->origin, 7);
    EXPECT_FALSE(bridge().findNativeWindowByID("qt-window"));
    EXPECT_TRUE(bridge().isCertificateAllowed("Q-----END CERTIFICATE-----"));
}

TEST(QtClientMode, NewWindowPassesThroughAQueuedConnection) {
    int argc = 1;
    char name[] = "qt_signals_test";
    char* argv[] = {name, nullptr};
    QCoreApplication application(argc, argv);
    QObject receiver;
    std::string received;
    QObject::connect(&bridge(), &client::tarnel_interface::newWindow, &receiver,
                     [&](QWindowParamsPtr params) { received = params->url; }, Qt::QueuedConnection);
    bridge().processWindowMessages(newWindowRequest("queued").SerializeAsString());
    EXPECT_TRUE(received.empty());
    QCoreApplication::processEvents();
    EXPECT_EQ(received, "https://qt.test/");
}

TEST(QtClientMode, TextsStopAtTheirFirstNulByte) {
    windowMessage message;
    message.set_windowid("q");
    message.mutable_settitle()->set_title(std::string("before\0after", 12));
    SignalLog log;
    bridge().processWindowMessages(message.SerializeAsString());
    EXPECT_EQ(log.emitted, std::vector<std::string>{"setTitle:q,before"});
}

namespace {

// Whether a task posted now still runs: a loop that was told to quit drops it.
bool loopStillRuns(client::MainMessageLoop& loop) {
    bool ran = false;
    loop.PostClosure(base::Bind([&] {
        ran = true;
        loop.Quit();
    }));
    loop.Run();
    return ran;
}

void openAndCloseTheOnlyWindow(const std::function<void()>& whileOpen = [] {}) {
    scoped_refptr<window_notifier::IVeltraneInterface> sink(new WindowEventHandler("only", true));
    bridge().registerWebWindow(NativeWindow::makeNativeWindow("only", true, sink, "", ""), sink);
    whileOpen();
    bridge().notifyWindowClose("only");
}

}  // namespace

TEST(QtClientMode, TitleUpdatesAndTheLastClosedWindowAreSignalledAndTheReceiverDecides) {
    client::MainMessageLoopStd loop;
    SignalLog log;
    openAndCloseTheOnlyWindow([] { bridge().updateWindowTitle("only", "Loaded page"); });
    EXPECT_EQ(log.emitted, (std::vector<std::string>{"setTitle:only,Loaded page", "lastWindowClosed"}));
    EXPECT_TRUE(loopStillRuns(loop));
}

TEST(QtClientMode, LastClosedWindowWithNoReceiverEndsTheLoop) {
    client::MainMessageLoopStd loop;
    openAndCloseTheOnlyWindow();
    EXPECT_FALSE(loopStillRuns(loop));
}
