#include "cefclient/CEFBrowserService.h"

#include <sstream>
#include <utility>

#include <boost/make_shared.hpp>

#include "cefclient/BridgeServices.h"
#include "cefclient/FunctionTraceScope.h"
#include "cefclient/LogStyle.h"
#include "cefclient/Loggers.h"
#include "cefclient/NativeWindowManager.h"
#include "cefclient/QWindowParams.h"
#include "cefclient/UiTasks.h"
#include "cefclient/WindowCommands.h"
#include "cefclient/WindowLookup.h"
#include "cefexchange/messages.h"

namespace client {
namespace {

foundation::log::diagnostic_logger& serviceLogger = veltrane_log::browserServiceLogger();

template <class M>
std::string textOf(const M& message) {
    std::ostringstream text;
    message.toString(text, 0);
    return text.str();
}

// The debug record of a handler: the message's text under the key.
template <class M>
void logMessage(const M& message, const char* key = "msg") {
    FOUNDATION_LOG(serviceLogger, veltrane_log::kDebug) << veltrane_log::kv(key, textOf(message));
}

// Posts the operation for the window with the ID; nothing when no window has it.
template <class Action>
void postToWindow(const std::string& windowID, Action action) {
    if (scoped_refptr<NativeWindow> window = bridge::findNativeWindowByID(windowID)) {
        postWindowTask(window, std::move(action));
    }
}

}  // namespace

// The messages this process sends itself, and those it does not act on: receiving one does nothing.
#define VELTRANE_TRACE_ONLY_HANDLER(Message)                                                                  \
    CEFBrowserService::ReplyPtr CEFBrowserService::operator()(const cefexchange::Message& message,          \
                                                              const Routing&) {                              \
        VELTRANE_TRACE_SCOPE(serviceLogger);                                                                  \
        logMessage(message);                                                                                  \
        return Reply::defaultReply();                                                                         \
    }

VELTRANE_TRACE_ONLY_HANDLER(ProcessExitMessage)
VELTRANE_TRACE_ONLY_HANDLER(ScreenShotMessage)
VELTRANE_TRACE_ONLY_HANDLER(WindowResizableMessage)
VELTRANE_TRACE_ONLY_HANDLER(WindowAlwaysOnTopMessage)
VELTRANE_TRACE_ONLY_HANDLER(DroppedFileMessage)
VELTRANE_TRACE_ONLY_HANDLER(SetPositionFromJavascriptMessage)
VELTRANE_TRACE_ONLY_HANDLER(UpdateURLMessage)
VELTRANE_TRACE_ONLY_HANDLER(GetPositionMessage)
VELTRANE_TRACE_ONLY_HANDLER(JavascriptReturnMessage)
VELTRANE_TRACE_ONLY_HANDLER(PDFEventMessage)
VELTRANE_TRACE_ONLY_HANDLER(SetWindowStateMessage)
VELTRANE_TRACE_ONLY_HANDLER(SetDownloadMessage)
VELTRANE_TRACE_ONLY_HANDLER(SetLocationMessage)
VELTRANE_TRACE_ONLY_HANDLER(PopUpWindowMessage)

#undef VELTRANE_TRACE_ONLY_HANDLER

CEFBrowserService::CEFBrowserService() : exchange(foundation::msg_svc::exchange::ExchangeApi::instance()) {}

CEFBrowserService::~CEFBrowserService() = default;

boost::shared_ptr<CEFBrowserService> CEFBrowserService::create() {
    VELTRANE_TRACE_SCOPE(serviceLogger);
    boost::shared_ptr<CEFBrowserService> service(new CEFBrowserService());
    service->privateInit(service);
    return service;
}

void CEFBrowserService::privateInit(const boost::shared_ptr<CEFBrowserService>& self) {
    VELTRANE_TRACE_SCOPE(serviceLogger);
    const boost::shared_ptr<foundation::msg_svc::exchange::DefaultExchange> defaultExchange =
        foundation::msg_svc::exchange::ExchangeApi::defaultInstance();
    queue = boost::make_shared<ServiceQueue>(self, defaultExchange);
    exchange->registerMessageQueue(cefexchange::CEFServiceAPI::serviceName, queue);
}

void CEFBrowserService::mainServiceLoop() {
    VELTRANE_TRACE_SCOPE(serviceLogger);
    queue->deliverMessages();
}

void CEFBrowserService::stop() { queue->stop(); }

CEFBrowserService::ReplyPtr CEFBrowserService::operator()(const cefexchange::SetTitleMessage& message,
                                                          const Routing&) {
    VELTRANE_TRACE_SCOPE(serviceLogger);
    postToWindow(message.getData().windowid(), [title = message.getData().title()](NativeWindow& w) {
        w.setTitle(title);
    });
    return Reply::defaultReply();
}

CEFBrowserService::ReplyPtr CEFBrowserService::operator()(const cefexchange::SetWindowModalMessage& message,
                                                          const Routing&) {
    VELTRANE_TRACE_SCOPE(serviceLogger);
    logMessage(message);
    if (scoped_refptr<NativeWindow> window = bridge::findNativeWindowByID(message.getData().windowid())) {
        bridge::getWindowManager()->setDeactivateAllButThis(window, message.getData().modal());
    }
    return Reply::defaultReply();
}

CEFBrowserService::ReplyPtr CEFBrowserService::operator()(const cefexchange::AllowCertificateMessage& message,
                                                          const Routing&) {
    bridge::addAllowedCertificates(message.getData().certificate());
    return Reply::defaultReply();
}

CEFBrowserService::ReplyPtr CEFBrowserService::operator()(const cefexchange::SetAllWindowActivatedMessage& message,
                                                          const Routing&) {
    VELTRANE_TRACE_SCOPE(serviceLogger);
    logMessage(message);
    bridge::getWindowManager()->setActivateAllWindows(message.getData().activate());
    return Reply::defaultReply();
}

CEFBrowserService::ReplyPtr CEFBrowserService::operator()(const cefexchange::SetDragDropMessage& message,
                                                          const Routing&) {
    VELTRANE_TRACE_SCOPE(serviceLogger);
    logMessage(message);
    postToWindow(message.getData().windowid(), [enable = message.getData().enable()](NativeWindow& w) {
        w.enableDragDrop(enable);
    });
    return Reply::defaultReply();
}

CEFBrowserService::ReplyPtr CEFBrowserService::operator()(const cefexchange::SetOnTopMessage& message,
                                                          const Routing&) {
    VELTRANE_TRACE_SCOPE(serviceLogger);
    logMessage(message);
    postToWindow(message.getData().windowid(), [onTop = message.getData().ontop()](NativeWindow& w) {
        w.setAlwaysOnTop(onTop);
    });
    return Reply::defaultReply();
}

CEFBrowserService::ReplyPtr CEFBrowserService::operator()(const cefexchange::PrintToPDFMessage& message,
                                                          const Routing&) {
    postToWindow(message.getData().windowid(), [path = message.getData().path()](NativeWindow& w) {
        w.printToPDF(path);
    });
    return Reply::defaultReply();
}

CEFBrowserService::ReplyPtr CEFBrowserService::operator()(const cefexchange::SetDownloadDirMessage& message,
                                                          const Routing&) {
    VELTRANE_TRACE_SCOPE(serviceLogger);
    logMessage(message);
    postToWindow(message.getData().windowid(), [path = message.getData().path()](NativeWindow& w) {
        w.setDownloadPath(path);
    });
    return Reply::defaultReply();
}

CEFBrowserService::ReplyPtr CEFBrowserService::operator()(const cefexchange::ExecuteJSMessage& message,
                                                          const Routing&) {
    VELTRANE_TRACE_SCOPE(serviceLogger);
    logMessage(message);
    postToWindow(message.getData().windowid(), [script = message.getData().script()](NativeWindow& w) {
        w.executeJS(script);
    });
    return Reply::defaultReply();
}

CEFBrowserService::ReplyPtr CEFBrowserService::operator()(const cefexchange::SetZoomLevelMessage& message,
                                                          const Routing&) {
    VELTRANE_TRACE_SCOPE(serviceLogger);
    logMessage(message);
    postToWindow(message.getData().windowid(), [level = message.getData().zoom()](NativeWindow& w) {
        w.setZoomLevel(level);
    });
    return Reply::defaultReply();
}

CEFBrowserService::ReplyPtr CEFBrowserService::operator()(const cefexchange::SetURLMessage& message,
                                                          const Routing&) {
    VELTRANE_TRACE_SCOPE(serviceLogger);
    logMessage(message);
    postToWindow(message.getData().windowid(), [url = message.getData().url()](NativeWindow& w) { w.setURL(url); });
    return Reply::defaultReply();
}

CEFBrowserService::ReplyPtr CEFBrowserService::operator()(const cefexchange::SetSizeMessage& message,
                                                          const Routing&) {
    VELTRANE_TRACE_SCOPE(serviceLogger);
    const auto& data = message.getData();
    const CefSize size(data.width(), data.height());
    if (data.kind() == "MAX") {
        postToWindow(data.windowid(), [size](NativeWindow& w) { w.setMaximumSize(size); });
    } else if (data.kind() == "MIN") {
        postToWindow(data.windowid(), [size](NativeWindow& w) { w.setMinimumSize(size); });
    }
    return Reply::defaultReply();
}

CEFBrowserService::ReplyPtr CEFBrowserService::operator()(const cefexchange::SetIconMessage& message,
                                                          const Routing&) {
    VELTRANE_TRACE_SCOPE(serviceLogger);
    logMessage(message);
    postToWindow(message.getData().windowid(), [icon = message.getData().icon()](NativeWindow& w) {
        w.setIcon(icon);
    });
    return Reply::defaultReply();
}

CEFBrowserService::ReplyPtr CEFBrowserService::operator()(const cefexchange::SetCommandMessage& message,
                                                          const Routing&) {
    VELTRANE_TRACE_SCOPE(serviceLogger);
    logMessage(message);
    if (scoped_refptr<NativeWindow> window = bridge::findNativeWindowByID(message.getData().windowid())) {
        runWindowCommand(*bridge::getWindowManager(), window, message.getData().command());
    }
    return Reply::defaultReply();
}

CEFBrowserService::ReplyPtr CEFBrowserService::operator()(const cefexchange::SetPositionMessage& message,
                                                          const Routing&) {
    VELTRANE_TRACE_SCOPE(serviceLogger);
    logMessage(message);
    const auto& data = message.getData();
    const CefRect rect(data.x(), data.y(), data.width(), data.height());
    if (data.outer()) {
        postToWindow(data.windowid(), [rect](NativeWindow& w) { w.setOuterPosition(rect); });
    } else {
        postToWindow(data.windowid(), [rect](NativeWindow& w) { w.setPosition(rect); });
    }
    return Reply::defaultReply();
}

CEFBrowserService::ReplyPtr CEFBrowserService::operator()(const cefexchange::ProxyAuthMessage& message,
                                                          const Routing&) {
    VELTRANE_TRACE_SCOPE(serviceLogger);
    logMessage(message, "windowMsg");
    bridge::setProxyCredentials(message.getData().username(), message.getData().password());
    return Reply::defaultReply();
}

CEFBrowserService::ReplyPtr CEFBrowserService::operator()(const cefexchange::NewWindowMessage& message,
                                                          const Routing&) {
    VELTRANE_TRACE_SCOPE(serviceLogger);
    logMessage(message, "windowMsg");
    bridge::openNewWindow(QWindowParams::from(message.getData().windowid(), message.getData()));
    return Reply::defaultReply();
}

}  // namespace client
