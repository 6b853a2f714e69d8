#include "cefclient/WindowEventHandler.h"

#include <Poco/Timestamp.h>
#include <boost/make_shared.hpp>

#include "cef/logging.h"
#include "cefclient/BridgeServices.h"
#include "cefclient/FunctionTraceScope.h"
#include "cefclient/HostReport.h"
#include "cefclient/LogStyle.h"
#include "cefclient/Loggers.h"
#include "cefclient/NativeWindowManager.h"
#include "cefclient/ProcessMessageNames.h"
#include "cefclient/StrictNumber.h"
#include "cefclient/UiTasks.h"
#include "cefclient/WindowLookup.h"
#include "aldermoss/cefclient_utils.h"
#include "cefexchange/messages.h"
#include "veltranelib/javascript_commands.h"
#include "veltranelib/app_startup.h"
#include "veltranelib/switches.h"

using veltrane_log::kv;

namespace {

foundation::log::diagnostic_logger& handlerLogger = veltrane_log::windowEventHandlerLogger();

#define HANDLER_DEBUG FOUNDATION_LOG(handlerLogger, veltrane_log::kDebug)

namespace bridge = client::bridge;

std::uint64_t nowMicros() { return static_cast<std::uint64_t>(Poco::Timestamp().epochMicroseconds()); }

template <class Position>
void fillPosition(Position* position, int x, int y, int width, int height) {
    position->set_x(x);
    position->set_y(y);
    position->set_width(width);
    position->set_height(height);
}

}  // namespace

WindowEventHandler::WindowEventHandler(std::string windowID, bool popUpVisible)
    : windowID(std::move(windowID)),
      popUpVisible(popUpVisible),
      usePipes(cefclient_utils::isExchangeEnabled() ? 0 : 1) {}

WindowEventHandler::WindowEventHandler() : WindowEventHandler(std::string(), true) {}

WindowEventHandler::~WindowEventHandler() = default;

void WindowEventHandler::AddRef() const { refCount.fetch_add(1, std::memory_order_relaxed); }

bool WindowEventHandler::Release() const {
    if (refCount.fetch_sub(1, std::memory_order_acq_rel) != 1) return false;
    delete this;
    return true;
}

bool WindowEventHandler::HasOneRef() const { return refCount.load(std::memory_order_acquire) == 1; }

bool WindowEventHandler::HasAtLeastOneRef() const { return refCount.load(std::memory_order_acquire) != 0; }

template <class FillPipeMessage, class MakeExchangeMessage>
void WindowEventHandler::report(const std::string& reportedID, FillPipeMessage fillPipeMessage,
                                MakeExchangeMessage makeExchangeMessage) const {
    client::reportToHost(usePipes != 0, reportedID, std::move(fillPipeMessage), std::move(makeExchangeMessage));
}

void WindowEventHandler::reportCommand(const std::string& word) const {
    report(
        windowID, [&](auto& m) { m.mutable_setcommand()->set_command(word); },
        [&] { return boost::make_shared<cefexchange::SetCommandMessage>(windowID, word); });
}

CefRefPtr<CefProcessMessage> WindowEventHandler::rendererMessage(const std::string& kind) const {
    CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create(veltrane_names::kWindowStateMessage);
    CefRefPtr<CefListValue> args = message->GetArgumentList();
    args->SetString(0, rendererWindowID);
    args->SetString(1, kind);
    return message;
}

void WindowEventHandler::sendToRenderer(CefRefPtr<CefProcessMessage> message) {
    if (browser) {
        browser->GetMainFrame()->SendProcessMessage(PID_RENDERER, message);
    } else {
        queuedMessages.push_back(message);
    }
}

scoped_refptr<NativeWindow> WindowEventHandler::nativeWindow() const { return bridge::findNativeWindowByID(windowID); }

void WindowEventHandler::windowStateEvent(const std::string value) {
    VELTRANE_TRACE_SCOPE(handlerLogger);
    HANDLER_DEBUG << kv("Value", value);
    reportCommand(value);
    VLOG(1) << "In WindowEventHandler::windowStateEvent with windowID = " << rendererWindowID;
    VLOG(1) << "Sending window state event";
    CefRefPtr<CefProcessMessage> message = rendererMessage(veltrane_names::kWindowStateChange);
    message->GetArgumentList()->SetString(2, value);
    const bool sent = static_cast<bool>(browser);
    sendToRenderer(message);
    VLOG(1) << (sent ? "Sent window state event" : "Queued window state event");
    if (value == "WindowVisible" || value == "WindowHidden") {
        if (auto window = nativeWindow()) window->windowUpdatePerformed();
    }
}

void WindowEventHandler::getPositionEvent(int x, int y, int width, int height) {
    VELTRANE_TRACE_SCOPE(handlerLogger);
    HANDLER_DEBUG << kv("x", x) << kv("y", y) << kv("width", width) << kv("height", height);
    VLOG(1) << "In getPositionEvent";
    report(
        windowID, [&](auto& m) { fillPosition(m.mutable_getposition(), x, y, width, height); },
        [&] { return boost::make_shared<cefexchange::GetPositionMessage>(windowID, x, y, width, height, false); });
}

void WindowEventHandler::getOuterPositionEvent(int x, int y, int width, int height) {
    VELTRANE_TRACE_SCOPE(handlerLogger);
    HANDLER_DEBUG << kv("x", x) << kv("y", y) << kv("width", width) << kv("height", height);
    VLOG(1) << "In getOuterPositionEvent";
    report(
        windowID, [&](auto& m) { fillPosition(m.mutable_getouterposition(), x, y, width, height); },
        [&] { return boost::make_shared<cefexchange::GetPositionMessage>(windowID, x, y, width, height, true); });
}

void WindowEventHandler::resizeEvent(const int x, const int y, const int width, const int height, bool didEndResize) {
    VELTRANE_TRACE_SCOPE(handlerLogger);
    reportResize(false, x, y, width, height, didEndResize);
}

void WindowEventHandler::resizeEventOuterPosition(const int x, const int y, const int width, const int height,
                                                  bool didEndResize) {
    VELTRANE_TRACE_SCOPE(handlerLogger);
    reportResize(true, x, y, width, height, didEndResize);
}

void WindowEventHandler::reportResize(bool outer, int x, int y, int width, int height, bool didEndResize) {
    HANDLER_DEBUG << kv("x", x) << kv("y", y) << kv("width", width) << kv("height", height)
                  << kv("didEndResize", didEndResize);
    const std::uint64_t timestamp = nowMicros();
    auto fill = [&](auto* position) {
        fillPosition(position, x, y, width, height);
        position->set_didendresize(didEndResize);
        position->set_timestamp(timestamp);
    };
    report(
        windowID,
        [&](auto& m) {
            if (outer) {
                fill(m.mutable_setouterposition());
            } else {
                fill(m.mutable_setposition());
            }
        },
        [&] {
            return boost::make_shared<cefexchange::SetPositionMessage>(windowID, x, y, width, height, didEndResize,
                                                                       timestamp, outer);
        });
    VLOG(1) << (outer ? "Sending window outer position event" : "Sending window position event");
    CefRefPtr<CefProcessMessage> message =
        rendererMessage(outer ? veltrane_names::kOuterPositionChange : veltrane_names::kPositionChange);
    CefRefPtr<CefListValue> args = message->GetArgumentList();
    args->SetInt(2, x);
    args->SetInt(3, y);
    args->SetInt(4, width);
    args->SetInt(5, height);
    sendToRenderer(message);
}

void WindowEventHandler::OnBeforeClose() {
    VELTRANE_TRACE_SCOPE(handlerLogger);
    HANDLER_DEBUG << kv("_winID", windowID);
    closed = true;
    if (auto window = nativeWindow()) window->beforeClose();
    bridge::notifyWindowClose(windowID);
}

void WindowEventHandler::closeEvent() {
    VELTRANE_TRACE_SCOPE(handlerLogger);
    CefRefPtr<CefCommandLine> commandLine = AppGetCommandLine();
    // Only a value that reads as true hands the decision to the host; "0" and anything else close here.
    const bool hostDecides =
        commandLine->HasSwitch(cefclient::kCustomCloseListenerEnabled) &&
        veltrane_text::toBool(commandLine->GetSwitchValue(cefclient::kCustomCloseListenerEnabled).ToString())
            .value_or(false);
    scoped_refptr<NativeWindow> window = nativeWindow();
    if (!hostDecides && window) window->closeBrowser();
    if (usePipes != 0) {
        bridge::sendEventToHost(windowID, javascript_commands::kHandleWindowClosedCommand, {});
    } else {
        bridge::sendMessageUsingExchange(boost::make_shared<cefexchange::SetCommandMessage>(windowID, "windowClosingEvent"));
    }
    if (window) window->windowUpdatePerformed();
}

void WindowEventHandler::downloadEvent(const std::string status, const std::string filepath) {
    VELTRANE_TRACE_SCOPE(handlerLogger);
    HANDLER_DEBUG << kv("status", status) << kv("filepath", filepath);
    report(
        windowID,
        [&](auto& m) {
            m.mutable_setdownload()->set_status(status);
            m.mutable_setdownload()->set_filepath(filepath);
        },
        [&] { return boost::make_shared<cefexchange::SetDownloadMessage>(windowID, status, filepath); });
}

void WindowEventHandler::updateDownloadLocation(std::string path) {
    VELTRANE_TRACE_SCOPE(handlerLogger);
    HANDLER_DEBUG << kv("path", path);
    report(
        windowID, [&](auto& m) { m.mutable_setdownloaddir()->set_path(path); },
        [&] { return boost::make_shared<cefexchange::SetDownloadDirMessage>(windowID, path); });
}

void WindowEventHandler::loadFinishedEvent(std::string userTitle, std::string url) {
    VELTRANE_TRACE_SCOPE(handlerLogger);
    HANDLER_DEBUG << kv("userTitle", userTitle) << kv("url", url);
    if (!userTitle.empty() && !closed) bridge::updateWindowTitle(windowID, userTitle);
    reportCommand("loadFinished");
    report(
        windowID, [&](auto& m) { m.mutable_updateurl()->set_url(url); },
        [&] { return boost::make_shared<cefexchange::SetURLMessage>(windowID, url); });
}

void WindowEventHandler::loadStartEvent() {
    VELTRANE_TRACE_SCOPE(handlerLogger);
    if (auto window = nativeWindow()) {
        window->browserCreated(true);
        window->setPageLoadStarted(true);
        window->applyWindowUpdates();
        window->updateWindowStateOnClient();
    }
    reportCommand("loadStarted");
}

void WindowEventHandler::processExitEvent(int status) {
    VELTRANE_TRACE_SCOPE(handlerLogger);
    HANDLER_DEBUG << kv("status", status);
    report(
        windowID, [&](auto& m) { m.mutable_renderprocessexit()->set_status(status); },
        [&] { return boost::make_shared<cefexchange::ProcessExitMessage>(windowID, status); });
}

void WindowEventHandler::focusEvent(bool focus) {
    VELTRANE_TRACE_SCOPE(handlerLogger);
    HANDLER_DEBUG << kv("focus", focus);
    reportCommand(focus ? "WindowGained" : "WindowLost");
}

void WindowEventHandler::javascriptResultEvent(bool wasError, const std::string jsValue) {
    VELTRANE_TRACE_SCOPE(handlerLogger);
    HANDLER_DEBUG << kv("wasError", wasError) << kv("jsValue", jsValue);
    report(
        windowID,
        [&](auto& m) {
            m.mutable_javascriptreturn()->set_waserror(wasError);
            m.mutable_javascriptreturn()->set_jsvalue(jsValue);
        },
        [&] { return boost::make_shared<cefexchange::JavascriptReturnMessage>(windowID, wasError, jsValue); });
}

void WindowEventHandler::titleEvent(const std::string title) {
    VELTRANE_TRACE_SCOPE(handlerLogger);
    HANDLER_DEBUG << kv("title", title);
    report(
        windowID, [&](auto& m) { m.mutable_settitle()->set_title(title); },
        [&] { return boost::make_shared<cefexchange::SetTitleMessage>(windowID, title); });
}

void WindowEventHandler::iconEvent(std::string icon) {
    report(
        windowID, [&](auto& m) { m.mutable_seticon()->set_icon(icon); },
        [&] { return boost::make_shared<cefexchange::SetIconMessage>(windowID, icon); });
}

void WindowEventHandler::screenshotEvent(const std::string imageData, int width, int height) {
    VELTRANE_TRACE_SCOPE(handlerLogger);
    HANDLER_DEBUG << kv("imageData", imageData) << kv("width", width) << kv("height", height);
    report(
        windowID,
        [&](auto& m) {
            auto* screenshot = m.mutable_screenshot();
            screenshot->set_imagedata(imageData);
            screenshot->set_width(width);
            screenshot->set_height(height);
        },
        [&] { return boost::make_shared<cefexchange::ScreenShotMessage>(windowID, imageData, width, height); });
}

void WindowEventHandler::printToPDFEvent(bool success) {
    VELTRANE_TRACE_SCOPE(handlerLogger);
    HANDLER_DEBUG << kv("success", success);
    report(
        windowID, [&](auto& m) { m.mutable_pdfevent()->set_success(success); },
        [&] { return boost::make_shared<cefexchange::PDFEventMessage>(windowID, success); });
}

void WindowEventHandler::windowCreatedEvent(std::string url, const std::string newWindowID,
                                            const std::string parentWindowID, bool isPopUp,
                                            std::uint64_t windowHandle) {
    VELTRANE_TRACE_SCOPE(handlerLogger);
    HANDLER_DEBUG << kv("url", url) << kv("newWindowID", newWindowID) << kv("parentWindowID", parentWindowID)
                  << kv("isPopUp", isPopUp) << kv("windowHandle", windowHandle);
    report(
        parentWindowID,
        [&](auto& m) {
            auto* popUp = m.mutable_popupwindow();
            popUp->set_newwindowid(newWindowID);
            popUp->set_url(url);
            popUp->set_ispopup(isPopUp);
            popUp->set_windowhandle(windowHandle);
        },
        [&] {
            return boost::make_shared<cefexchange::PopUpWindowMessage>(parentWindowID, url, isPopUp, windowHandle,
                                                                       newWindowID);
        });
}

void WindowEventHandler::newWindowRequestEvent(const CefString& url, const CefPopupFeatures& features,
                                               CefWindowInfo& windowInfo, CefRefPtr<CefClient>& client,
                                               CefBrowserSettings& settings, bool visible) {
    popUpVisible = visible;
    bridge::createPopUpWindow(windowID, url, features, windowInfo, client, settings, 0, popUpVisible);
}

void WindowEventHandler::notifyZoomLevel(const int zoom) {
    VELTRANE_TRACE_SCOPE(handlerLogger);
    HANDLER_DEBUG << kv("zoom", zoom);
    report(
        windowID, [&](auto& m) { m.mutable_setzoomlevel()->set_zoom(zoom); },
        [&] { return boost::make_shared<cefexchange::SetZoomLevelMessage>(windowID, zoom); });
    VLOG(1) << "Sending zoom event";
    CefRefPtr<CefProcessMessage> message = rendererMessage(veltrane_names::kZoomLevelChange);
    message->GetArgumentList()->SetInt(2, zoom);
    sendToRenderer(message);
}

void WindowEventHandler::notifyUserActivity() {
    VELTRANE_TRACE_SCOPE(handlerLogger);
    reportCommand("UserActivity");
}

void WindowEventHandler::notifySetPositionFromJavaScript(CefRect rect) {
    VELTRANE_TRACE_SCOPE(handlerLogger);
    reportPositionFromJavaScript(false, rect);
}

void WindowEventHandler::notifySetOuterPositionFromJavaScript(CefRect rect) {
    VELTRANE_TRACE_SCOPE(handlerLogger);
    reportPositionFromJavaScript(true, rect);
}

void WindowEventHandler::reportPositionFromJavaScript(bool outer, const CefRect& rect) {
    const std::uint64_t timestamp = nowMicros();
    auto fill = [&](auto* position) {
        fillPosition(position, rect.x, rect.y, rect.width, rect.height);
        position->set_timestamp(timestamp);
    };
    report(
        windowID,
        [&](auto& m) {
            if (outer) {
                fill(m.mutable_setouterpositionfromjavascript());
            } else {
                fill(m.mutable_setpositionfromjavascript());
            }
        },
        [&] {
            return boost::make_shared<cefexchange::SetPositionFromJavascriptMessage>(
                windowID, rect.x, rect.y, rect.width, rect.height, timestamp, outer);
        });
}

void WindowEventHandler::notifyDragDropEvent(const std::vector<std::string>& paths) {
    VELTRANE_TRACE_SCOPE(handlerLogger);
    report(
        windowID,
        [&](auto& m) {
            for (const std::string& path : paths) m.add_droppedfile()->set_filepath(path);
        },
        [&] { return boost::make_shared<cefexchange::DroppedFileMessage>(windowID, paths); });
}

void WindowEventHandler::OnWindowOnTopEvent(bool alwaysOnTop) const {
    VELTRANE_TRACE_SCOPE(handlerLogger);
    HANDLER_DEBUG << kv("alwaysOnTop", alwaysOnTop);
    report(
        windowID, [&](auto& m) { m.mutable_windowalwaysontop()->set_alwaysontop(alwaysOnTop); },
        [&] { return boost::make_shared<cefexchange::WindowAlwaysOnTopMessage>(windowID, alwaysOnTop); });
}

void WindowEventHandler::OnSetResizable(bool resizable) const {
    VELTRANE_TRACE_SCOPE(handlerLogger);
    HANDLER_DEBUG << kv("resizable", resizable);
    report(
        windowID, [&](auto& m) { m.mutable_windowresizable()->set_resizable(resizable); },
        [&] { return boost::make_shared<cefexchange::WindowResizableMessage>(windowID, resizable); });
}

void WindowEventHandler::OnSetMinSize(int width, int height) const {
    VELTRANE_TRACE_SCOPE(handlerLogger);
    HANDLER_DEBUG << kv("minWidth", width) << kv("minHeight", height);
    report(
        windowID,
        [&](auto& m) {
            m.mutable_setminsize()->set_minwidth(width);
            m.mutable_setminsize()->set_minheight(height);
        },
        [&] { return boost::make_shared<cefexchange::SetSizeMessage>(windowID, width, height, "MIN"); });
}

void WindowEventHandler::OnSetMaxSize(int width, int height) const {
    VELTRANE_TRACE_SCOPE(handlerLogger);
    HANDLER_DEBUG << kv("maxWidth", width) << kv("maxHeight", height);
    report(
        windowID,
        [&](auto& m) {
            m.mutable_setmaxsize()->set_maxwidth(width);
            m.mutable_setmaxsize()->set_maxheight(height);
        },
        [&] { return boost::make_shared<cefexchange::SetSizeMessage>(windowID, width, height, "MAX"); });
}

void WindowEventHandler::OnActivateCurrentWindow(bool activate) const {
    VELTRANE_TRACE_SCOPE(handlerLogger);
    HANDLER_DEBUG << kv("activate", activate);
    bridge::getWindowManager()->setActivateWindow(nativeWindow(), activate);
}

void WindowEventHandler::OnActivateAllWindows(bool activate) const {
    VELTRANE_TRACE_SCOPE(handlerLogger);
    HANDLER_DEBUG << kv("activate", activate);
    bridge::getWindowManager()->setActivateAllWindows(activate);
}

void WindowEventHandler::OnWindowModal(bool modal) const {
    VELTRANE_TRACE_SCOPE(handlerLogger);
    HANDLER_DEBUG << kv("modal", modal);
    bridge::getWindowManager()->setDeactivateAllButThis(nativeWindow(), modal);
}

bool WindowEventHandler::isCertificateAllowed(std::string pem) { return bridge::isCertificateAllowed(std::move(pem)); }

std::pair<std::string, std::string> WindowEventHandler::getProxyCredentials() { return bridge::getProxyCredentials(); }

void WindowEventHandler::setWindowTitle(std::string title, std::string userTitle) {
    scoped_refptr<NativeWindow> window = nativeWindow();
    if (!window) return;
    std::string chosen = userTitle.empty() ? title : userTitle;
    if (chosen == "NoTitle") chosen.clear();
    window->applyTitle(chosen);
}

void WindowEventHandler::browserCreatedEvent(scoped_refptr<CefBrowser> createdBrowser) {
    browser = createdBrowser;
    while (!queuedMessages.empty()) {
        LOG(INFO) << "Sending queued process message";
        browser->GetMainFrame()->SendProcessMessage(PID_RENDERER, queuedMessages.front());
        queuedMessages.pop_front();
    }
    scoped_refptr<NativeWindow> window = nativeWindow();
    if (window) {
        window->OnBrowserCreated(browser);
        if (window->isPopUP()) {
            postWindowTask(window, [url = window->popUpURL(), rect = window->getPopUpWindowRect(),
                                    visible = popUpVisible](NativeWindow& w) {
                w.newWindow(url, rect, visible, "Standard", "", false);
            });
        }
    }
    // The pipe writer drops this when no pipe is open.
    cefclient_messages::windowMessage message;
    message.set_windowid(windowID);
    message.mutable_setcommand()->set_command("browserCreated");
    bridge::sendPipeMessage(message.SerializeAsString());
}

void WindowEventHandler::setWindowID(const std::string& id) {
    VLOG(1) << "Setting the window ID to " << id;
    rendererWindowID = id;
}

void WindowEventHandler::bringToFrontFromTarnel() const {
    VELTRANE_TRACE_SCOPE(handlerLogger);
    reportCommand("bringToFront");
}
