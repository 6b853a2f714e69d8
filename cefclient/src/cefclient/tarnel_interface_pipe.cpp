// The pipe transport of the bridge: the reader thread, the dispatcher of host commands and both writers.
#include <iostream>
#include <utility>

#include <Poco/Timestamp.h>

#include "aldermoss/cefclient_utils.h"
#include "cefclient/HostEventBuilder.h"
#include "cefclient/LogStyle.h"
#include "cefclient/Loggers.h"
#include "cefclient/NativeWindowManager.h"
#include "cefclient/UiTasks.h"
#include "cefclient/WindowCommands.h"
#include "cefclient/tarnel_interface.h"

namespace client {
namespace {

CefRect rectOf(const auto& position) {
    return CefRect(position.x(), position.y(), position.width(), position.height());
}

// Moves a string field out of a parsed message that is about to be cleared or dropped.
std::string take(std::string* field) { return std::move(*field); }

}  // namespace

void tarnel_interface::attachPipe(std::istream& in, std::ostream& out, std::ostream& err) {
    Poco::Mutex::ScopedLock lock(pipeWriteMutex);
    pipeIn = &in;
    pipeOut = &out;
    pipeErr = &err;
    hostGoneSeen = false;
    readerRunning = true;
    pipeOpen = true;
}

void tarnel_interface::readPipeMessages() {
    if (!readerRunning || pipeIn == nullptr) return;
    std::istream& in = *pipeIn;
    // Both kept from frame to frame, so that their storage is reused.
    std::string payload;
    cefclient_messages::windowMessage message;
    for (;;) {
        const bool whole = cefclient_utils::readMessageFromPipe(in, payload);
        // Stopped while it waited: whatever came is no longer for this process.
        if (!readerRunning) return;
        if (!whole) {
            // An end of the stream, one inside a frame and an oversized frame alike leave the windows
            // unreachable.
            FOUNDATION_LOG(veltrane_log::bridgeLogger(), veltrane_log::kDebug)
                << "Host pipe ended; closing every window";
            hostGone();
            return;
        }
        processWindowMessages(payload, message);
        if (!readerRunning) return;
    }
}

void tarnel_interface::processWindowMessages(const std::string& payload) {
    cefclient_messages::windowMessage message;
    processWindowMessages(payload, message);
}

void tarnel_interface::processWindowMessages(const std::string& payload,
                                             cefclient_messages::windowMessage& message) {
    if (payload.empty() || !message.ParseFromString(payload)) return;

    if (message.has_allowcertificate()) {
        addAllowedCertificates(message.allowcertificate().certificate());
    } else if (message.has_proxyauth()) {
        setProxyCredentials(message.proxyauth().username(), message.proxyauth().password());
    }
    if (usingQt) {
        processWindowMessagesForQtClient(message);
        return;
    }
    if (message.has_newwindow()) {
        openNewWindow(QWindowParams::from(message.windowid(), message.newwindow()));
        return;
    }
    if (message.has_setallwindowsactivated()) {
        windowManager->setActivateAllWindows(message.setallwindowsactivated().activate());
    }

    const scoped_refptr<NativeWindow> window = findNativeWindowByID(message.windowid());
    if (!window) return;

    if (message.has_seturl()) {
        postWindowTask(window, [url = take(message.mutable_seturl()->mutable_url())](NativeWindow& w) {
            w.setURL(url);
        });
    } else if (message.has_settitle()) {
        postWindowTask(window, [title = take(message.mutable_settitle()->mutable_title())](NativeWindow& w) {
            w.setTitle(title);
        });
    } else if (message.has_setzoomlevel()) {
        postWindowTask(window,
                       [zoom = message.setzoomlevel().zoom()](NativeWindow& w) { w.setZoomLevel(zoom); });
    } else if (message.has_seticon()) {
        postWindowTask(window, [icon = take(message.mutable_seticon()->mutable_icon())](NativeWindow& w) {
            w.setIcon(icon);
        });
    } else if (message.has_setposition()) {
        postWindowTask(window,
                       [rect = rectOf(message.setposition())](NativeWindow& w) { w.setPosition(rect); });
    } else if (message.has_setouterposition()) {
        postWindowTask(window, [rect = rectOf(message.setouterposition())](NativeWindow& w) {
            w.setOuterPosition(rect);
        });
    } else if (message.has_setmaxsize()) {
        const CefSize size(message.setmaxsize().maxwidth(), message.setmaxsize().maxheight());
        postWindowTask(window, [size](NativeWindow& w) { w.setMaximumSize(size); });
    } else if (message.has_setminsize()) {
        const CefSize size(message.setminsize().minwidth(), message.setminsize().minheight());
        postWindowTask(window, [size](NativeWindow& w) { w.setMinimumSize(size); });
    } else if (message.has_setontop()) {
        postWindowTask(window,
                       [onTop = message.setontop().ontop()](NativeWindow& w) { w.setAlwaysOnTop(onTop); });
    } else if (message.has_setdragdrop()) {
        postWindowTask(
            window, [enable = message.setdragdrop().enable()](NativeWindow& w) { w.enableDragDrop(enable); });
    } else if (message.has_setcommand()) {
        runWindowCommand(*windowManager, window, message.setcommand().command());
    } else if (message.has_executejs()) {
        postWindowTask(window, [script = take(message.mutable_executejs()->mutable_script())](
                                   NativeWindow& w) { w.executeJS(script); });
    } else if (message.has_setdownloaddir()) {
        postWindowTask(window, [path = take(message.mutable_setdownloaddir()->mutable_path())](
                                   NativeWindow& w) { w.setDownloadPath(path); });
    } else if (message.has_printtopdf()) {
        postWindowTask(window, [path = take(message.mutable_printtopdf()->mutable_path())](NativeWindow& w) {
            w.printToPDF(path);
        });
    } else if (message.has_setwindowmodal()) {
        windowManager->setDeactivateAllButThis(window, message.setwindowmodal().modal());
    }
}

void tarnel_interface::sendPipeMessage(const std::string& payload) {
    Poco::Mutex::ScopedLock lock(pipeWriteMutex);
    if (pipeOpen) writeFrame(*pipeOut, payload);
}

void tarnel_interface::sendEventToHost(std::string windowID, std::string event,
                                       std::vector<std::string> args) {
    Poco::Mutex::ScopedLock lock(pipeWriteMutex);
    if (!pipeOpen) return;
    if (host_events::isBareWord(event)) {
        writeFrame(*pipeOut, event);
        writeFrame(*pipeErr, event);
        return;
    }
    const auto payload = host_events::buildPayload(
        windowID, event, args, static_cast<std::uint64_t>(Poco::Timestamp().epochMicroseconds()));
    if (!payload) {
        FOUNDATION_LOG(veltrane_log::bridgeLogger(), veltrane_log::kError)
            << "Event not sent: missing or malformed argument" << veltrane_log::kv("event", event)
            << veltrane_log::kv("windowID", windowID);
        return;
    }
    writeFrame(*pipeOut, *payload);
}

void tarnel_interface::writeFrame(std::ostream& stream, const std::string& payload) {
    cefclient_utils::sendMessageToPipe(stream, payload);
}

}  // namespace client
