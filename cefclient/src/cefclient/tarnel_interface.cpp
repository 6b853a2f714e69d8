#include "cefclient/tarnel_interface.h"

#include <iostream>

#include <QtCore/QMetaMethod>

#include "cefclient/FunctionTraceScope.h"
#include "cefclient/LogStyle.h"
#include "cefclient/Loggers.h"
#include "cefclient/NativeWindowManager.h"
#include "cefclient/StrictNumber.h"
#include "cefclient/UiTasks.h"
#include "aldermoss/cefclient_utils.h"
#include "cef/logging.h"
#include "platform/process.h"
#include "platform/stdio_mode.h"
#include "veltranelib/app_startup.h"

namespace client {
namespace {

constexpr long kParentWatchPeriodMs = 250;
// How long the exit waits for a reader that a host keeps blocked.
constexpr long kReaderJoinTimeoutMs = 200;

}  // namespace

tarnel_interface* tarnel_interface::instance() {
    static tarnel_interface bridge;
    return &bridge;
}

tarnel_interface::tarnel_interface()
    : exchangeApi(foundation::msg_svc::exchange::ExchangeApi::instance()),
      peers(8),
      windowManager(NativeWindowManager::getInstance()) {
    peers.max_load_factor(1.0f);
    if (cefclient_utils::isExchangeEnabled()) usePipes = false;
    if (AppGetCommandLine()->HasSwitch("using-qt")) {
        usingQt = true;
    } else {
        tempWindow = std::make_unique<TempWindowWin>();
    }
}

tarnel_interface::~tarnel_interface() {
    tempWindow.reset();
    if (usePipes) {
        readerRunning = false;
        if (pipeReaderThread && !pipeReaderThread->tryJoin(kReaderJoinTimeoutMs)) {
            // Still blocked on a host that keeps its end open: the reader ends with the process, so what it
            // runs on is not freed under it.
            [[maybe_unused]] Poco::Thread* reader = pipeReaderThread.release();
            [[maybe_unused]] Poco::RunnableAdapter<tarnel_interface>* runnable = pipeReaderRunnable.release();
        }
    }
    if (parentWatchTimer && parentWatchRunning) parentWatchTimer->stop();
}

void tarnel_interface::startCommunication() {
    VELTRANE_TRACE_SCOPE(veltrane_log::bridgeLogger());
    platform::setBinaryMode(stdout);
    platform::setBinaryMode(stdin);
    CefRefPtr<CefCommandLine> commandLine = AppGetCommandLine();
    if (!commandLine->HasSwitch("from-webwindow")) return;
    // The pipe is bound first so that a host found gone at once is reported on it.
    if (usePipes) attachPipe(std::cin, std::cout, std::cerr);
    if (commandLine->HasSwitch("processid")) {
        const std::string value = commandLine->GetSwitchValue("processid");
        if (const auto processID = veltrane_text::toInt32(value)) {
            setParentProcessID(*processID);
        } else {
            FOUNDATION_LOG(veltrane_log::bridgeLogger(), veltrane_log::kError)
                << "Host process id is not a number; the host is not watched" << veltrane_log::kv("processid", value);
        }
    }
    if (usePipes) {
        pipeReaderRunnable =
            std::make_unique<Poco::RunnableAdapter<tarnel_interface>>(*this, &tarnel_interface::readPipeMessages);
        pipeReaderThread = std::make_unique<Poco::Thread>("CEFPipeHandler");
        pipeReaderThread->start(*pipeReaderRunnable);
        sendEventToHost("", "ProcessCreated", {});
    } else {
        setupTransport();
    }
}

void tarnel_interface::stopCommunication() {
    readerRunning = false;
    if (parentWatchTimer) parentWatchTimer->stop();  // waits for a check under way
    parentWatchRunning = false;
    uiTasks().close();
}

void tarnel_interface::setParentProcessID(std::int32_t processID) {
    hostProcessID = processID;
    if (processID == 0 || parentWatchTimer) return;
    parentWatchCallback =
        std::make_unique<Poco::TimerCallback<tarnel_interface>>(*this, &tarnel_interface::checkParentProcess);
    parentWatchTimer = std::make_unique<Poco::Timer>(0, kParentWatchPeriodMs);
    parentWatchRunning = true;
    parentWatchTimer->start(*parentWatchCallback);
}

void tarnel_interface::checkParentProcess(Poco::Timer& timer) {
    if (platform::isProcessRunning(hostProcessID)) return;
    timer.restart(0);
    parentWatchRunning = false;
    hostGone();
}

// The host has ended or its pipe has: nobody can reach the windows any more, so they all close and the process ends.
void tarnel_interface::hostGone() {
    if (hostGoneSeen.exchange(true)) return;
    readerRunning = false;
    closeAllWindows(true);
    uiTasks().post(base::Bind([this] { closeWindowsOfGoneHost(); }));
}

// On the UI thread, after the closes that hostGone posted.
void tarnel_interface::closeWindowsOfGoneHost() {
    const std::vector<WindowEntry> open = windows();
    // With no window left to close, nothing else would end the process.
    if (open.empty()) {
        endAfterLastWindow();
        return;
    }
    for (const WindowEntry& entry : open) {
        const scoped_refptr<NativeWindow>& window = entry.first;
        if (window->getHandler()) {
            window->closeBrowser();
        } else {
            notifyWindowClose(window->getID());  // its browser was never made: nothing to close
        }
    }
}

void tarnel_interface::closeAllWindows(bool force) {
    for (const WindowEntry& entry : windows()) {
        const scoped_refptr<NativeWindow>& window = entry.first;
        if (!window->getHandler()) continue;
        if (force) {
            postWindowTask(window, [](NativeWindow& w) { w.closeBrowser(); });
        } else {
            postWindowTask(window, [](NativeWindow& w) { w.requestClose(); });
        }
    }
}

void tarnel_interface::notifyWindowClose(const std::string& windowID) {
    LOG(INFO) << "In tarnel_interface::notifyWindowClose :" << windowID;
    deregisterWebWindow(windowID);
    if (windows().empty()) endAfterLastWindow();
    LOG(INFO) << "Leaving tarnel_interface::notifyWindowClose";
}

void tarnel_interface::endAfterLastWindow() {
    // In Qt client mode a receiver of the signal decides; without one nothing else would end the process.
    if (usingQt && isSignalConnected(QMetaMethod::fromSignal(&tarnel_interface::lastWindowClosed))) {
        LOG(INFO) << "Last Window closed: Exit app";
        emit lastWindowClosed();
    } else {
        uiTasks().quitLoop();
    }
    if (usePipes) {
        readerRunning = false;
        LOG(INFO) << "Sending the close pipes command";
        sendEventToHost("", "closePipes", {});
    } else {
        shutdownAttachableServer();
    }
}

void tarnel_interface::deregisterWebWindow(std::string windowID) {
    const scoped_refptr<NativeWindow> window = findNativeWindowByID(windowID);
    if (!window) return;
    // The registry reports to the host and posts to the UI thread; it runs without the list's lock.
    windowManager->deregisterWebWindow(window);
    std::lock_guard lock(windowsMutex);
    std::erase_if(windowList, [&](const WindowEntry& entry) { return entry.first.get() == window.get(); });
}

std::shared_ptr<NativeWindowManager> tarnel_interface::getWindowManager() { return windowManager; }

std::int32_t tarnel_interface::getHostProcessID() { return hostProcessID; }

}  // namespace client
