// Window services of the bridge that the dispatchers and the event sinks share.
#include <boost/make_shared.hpp>

#include "aldermoss/window_id.h"
#include "cefclient/FunctionTraceScope.h"
#include "cefclient/LogStyle.h"
#include "cefclient/Loggers.h"
#include "cefclient/NativeWindowManager.h"
#include "cefclient/UiTasks.h"
#include "cefclient/WindowEventHandler.h"
#include "cefclient/tarnel_interface.h"
#include "cefexchange/messages.h"

namespace client {
scoped_refptr<NativeWindow> tarnel_interface::findNativeWindowByID(const std::string& windowID) {
    std::lock_guard lock(windowsMutex);
    for (const WindowEntry& entry : windowList) {
        if (entry.first->getID() == windowID) return entry.first;
    }
    return nullptr;
}

void tarnel_interface::registerWebWindow(scoped_refptr<NativeWindow> window,
                                         scoped_refptr<window_notifier::IVeltraneInterface> sink) {
    {
        std::lock_guard lock(windowsMutex);
        windowList.emplace_back(window, sink);
    }
    windowManager->registerWebWindow(window);
}

void tarnel_interface::openNewWindow(const QWindowParams& request) {
    scoped_refptr<WindowEventHandler> sink(new WindowEventHandler());
    sink->windowID = request.windowID;
    scoped_refptr<NativeWindow> window =
        NativeWindow::makeNativeWindow(request.windowID, true, sink, request.createParam1, request.createParam2);
    window->setOrigin(request.origin);
    window->setTarnelProcessID(getHostProcessID());
    registerWebWindow(window, sink);
    postWindowTask(window, [request](NativeWindow& w) {
        w.newWindow(request.url, request.rect, request.visible, request.windowType, request.windowExtra,
                    request.windowFlag);
    });
}

std::vector<tarnel_interface::WindowEntry> tarnel_interface::windows() {
    std::lock_guard lock(windowsMutex);
    return windowList;
}

void tarnel_interface::createPopUpWindow(std::string parentWindowID, const CefString& targetURL,
                                         const CefPopupFeatures& features, CefWindowInfo& windowInfo,
                                         CefRefPtr<CefClient>& client, CefBrowserSettings& settings, int origin,
                                         bool flag) {
    const std::string newID = aldermoss::generateWindowID();
    CefRect rect(0, 0, 600, 400);
    if (features.xSet != 0) rect.x = features.x;
    if (features.ySet != 0) rect.y = features.y;
    if (features.widthSet != 0) rect.width = features.width;
    if (features.heightSet != 0) rect.height = features.height;
    scoped_refptr<window_notifier::IVeltraneInterface> sink(new WindowEventHandler(newID, flag));
    scoped_refptr<NativeWindow> window = NativeWindow::makeNativeWindow(newID, flag, sink, "", "");
    window->setOrigin(origin);
    std::string url = targetURL.ToString();
    if (url.empty()) url = "about:blank";
    window->setPoUpData(url, rect, parentWindowID);
    registerWebWindow(window, sink);
    window->preparePopUp(TempWindowWin::GetWindowHandle(), windowInfo, client, settings);
}

void tarnel_interface::updateWindowTitle(std::string windowID, const std::string& title) {
    if (usingQt) {
        emit setTitle(QString::fromUtf8(windowID.c_str()), QString::fromUtf8(title.c_str()));
        return;
    }
    if (scoped_refptr<NativeWindow> window = findNativeWindowByID(windowID)) {
        postWindowTask(window, [title](NativeWindow& w) { w.setTitle(title); });
    }
}

void tarnel_interface::setDownloadPath(std::string path) {
    VELTRANE_TRACE_SCOPE(veltrane_log::bridgeLogger());
    FOUNDATION_LOG(veltrane_log::bridgeLogger(), veltrane_log::kDebug) << veltrane_log::kv("path", path);
    if (!usePipes) {
        sendMessageUsingExchange(boost::make_shared<cefexchange::SetDownloadDirMessage>(std::string(), path));
        return;
    }
    {
        std::lock_guard lock(windowsMutex);
        downloadDir = path;
    }
    sendEventToHost("", "SetDownloadLocation", {path});
}

std::string tarnel_interface::downloadPath() {
    std::lock_guard lock(windowsMutex);
    return downloadDir;
}

void tarnel_interface::addAllowedCertificates(const std::string& bundle) { credentials.addAllowedCertificates(bundle); }

bool tarnel_interface::isCertificateAllowed(std::string pem) { return credentials.isCertificateAllowed(std::move(pem)); }

void tarnel_interface::setProxyCredentials(const std::string& user, const std::string& password) {
    credentials.setProxyCredentials(user, password);
}

std::pair<std::string, std::string> tarnel_interface::getProxyCredentials() { return credentials.proxyCredentials(); }

}  // namespace client
