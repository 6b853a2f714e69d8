#include "engine.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QThread>
#include <QWebEngineProfile>

#include "cef/logging.h"
#include "page_window.h"
#include "task_queue.h"

namespace veltranelib::engine {
namespace {

std::atomic<QApplication*> application{nullptr};

// A connection to the display, or null when none answers. Held until the engine has its own: a display server
// may reset when its last client leaves.
xcb_connection_t* connectDisplay() {
    const char* choice = std::getenv("VELTRANE_ENGINE");
    if (choice && std::strcmp(choice, "headless") == 0) return nullptr;
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) return nullptr;
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection) == 0) return connection;
    xcb_disconnect(connection);
    return nullptr;
}

// Runs the queued tasks inside the engine's event loop; one wake-up event is outstanding at a time.
class TaskPump : public QObject {
public:
    explicit TaskPump(client::TaskQueue& queue) : queue_(queue) {}

    // Any thread.
    void wake() {
        if (!wakePending_.exchange(true)) QCoreApplication::postEvent(this, new QEvent(kWakeUp));
    }

protected:
    bool event(QEvent* event) override {
        if (event->type() != kWakeUp) return QObject::event(event);
        wakePending_ = false;
        queue_.runPending();
        if (queue_.quitting()) QCoreApplication::exit(0);
        return true;
    }

private:
    static constexpr QEvent::Type kWakeUp = QEvent::User;
    client::TaskQueue& queue_;
    std::atomic<bool> wakePending_{false};
};

cef::logging::LogSeverity severityOf(QtMsgType type) {
    switch (type) {
        case QtDebugMsg:
            return cef::logging::LOGSEVERITY_VERBOSE;
        case QtInfoMsg:
            return cef::logging::LOGSEVERITY_INFO;
        case QtWarningMsg:
            return cef::logging::LOGSEVERITY_WARNING;
        case QtCriticalMsg:
            return cef::logging::LOGSEVERITY_ERROR;
        default:
            return cef::logging::LOGSEVERITY_FATAL;
    }
}

// The engine's messages go to the engine log, under its minimum severity; its helper processes, which write
// their own, get the same minimum.
void logEngineMessages() {
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& message) {
        const cef::logging::LogSeverity severity = severityOf(type);
        if (cef::logging::isOn(severity)) {
            cef::logging::LogMessage(context.file ? context.file : "engine", context.line, severity).stream()
                << message.toStdString();
        }
        if (type == QtFatalMsg) std::abort();
    });
    QByteArray switches = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    const int level = std::clamp(cef::logging::minimumSeverity(), cef::logging::LOGSEVERITY_INFO,
                                 cef::logging::LOGSEVERITY_FATAL);
    switches += " --log-level=" + QByteArray::number(level);
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", switches.trimmed());
}

void closeEveryPage() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    // Windows that belong to another go with it.
    QList<QPointer<QWidget>> windows;
    for (QWidget* widget : QApplication::topLevelWidgets()) windows.append(widget);
    for (const QPointer<QWidget>& window : windows) delete window.data();
}

}  // namespace

bool start(bool sandbox) {
    if (application) return false;
    xcb_connection_t* display = connectDisplay();
    if (!display) return false;
    if (!sandbox) qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    logEngineMessages();
    // The engine shares its drawing contexts; this must be set before the application object exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // The engine reads switches from the application's arguments: it gets the program name only.
    static int argc = 1;
    static char programName[] = "Veltrane";
    static char* argv[] = {programName, nullptr};
    auto* app = new QApplication(argc, argv);
    // Windows come and go; the host decides when the process ends.
    QApplication::setQuitOnLastWindowClosed(false);
    QObject::connect(QWebEngineProfile::defaultProfile(), &QWebEngineProfile::downloadRequested,
                     &PageWindow::startDownload);
    application = app;
    xcb_disconnect(display);
    return true;
}

bool running() { return application.load() != nullptr; }

bool onUiThread() {
    QApplication* app = application.load();
    return app && QThread::currentThread() == app->thread();
}

int runLoop(client::TaskQueue& queue) {
    int exitCode = 0;
    {
        TaskPump pump(queue);
        exitCode = queue.drive([&pump] { pump.wake(); }, [] { return QApplication::exec(); });
    }
    closeEveryPage();
    delete application.exchange(nullptr);
    return exitCode;
}

}  // namespace veltranelib::engine
