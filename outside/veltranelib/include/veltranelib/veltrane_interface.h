#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "cef/browser.h"
#include "cef/browser_settings.h"
#include "cef/cef_string.h"
#include "cef/client.h"
#include "cef/geometry.h"
#include "cef/popup_features.h"
#include "cef/ref_counted.h"
#include "cef/window_info.h"

namespace window_notifier {

// What a browser window reports about itself, on the UI thread. Operations with a body here are
// optional for an implementation.
class IVeltraneInterface : public virtual CefBaseRefCounted {
public:
    virtual void windowStateEvent(const std::string value) = 0;
    virtual void getPositionEvent(int x, int y, int width, int height) = 0;
    virtual void getOuterPositionEvent(int x, int y, int width, int height) = 0;
    virtual void resizeEvent(const int x, const int y, const int width, const int height, bool didEndResize) = 0;
    virtual void resizeEventOuterPosition(const int x, const int y, const int width, const int height,
                                          bool didEndResize) = 0;
    virtual void OnBeforeClose() = 0;
    virtual void closeEvent() = 0;
    virtual void downloadEvent(const std::string status, const std::string filepath) = 0;
    virtual void updateDownloadLocation(std::string /*path*/) {}
    virtual void loadFinishedEvent(std::string userTitle, std::string url) = 0;
    virtual void loadStartEvent() = 0;
    virtual void processExitEvent(int /*status*/) {}
    virtual void focusEvent(bool /*focus*/) {}
    virtual void javascriptResultEvent(bool /*wasError*/, const std::string /*jsValue*/) {}
    virtual void titleEvent(const std::string /*title*/) {}
    virtual void iconEvent(std::string /*icon*/) {}
    virtual void screenshotEvent(const std::string /*imageData*/, int /*width*/, int /*height*/) {}
    virtual void printToPDFEvent(bool /*success*/) {}
    virtual void windowCreatedEvent(std::string /*url*/, const std::string /*newWindowID*/,
                                    const std::string /*parentWindowID*/, bool /*isPopUp*/,
                                    std::uint64_t /*windowHandle*/) {}
    virtual void newWindowRequestEvent(const CefString& /*url*/, const CefPopupFeatures& /*features*/,
                                       CefWindowInfo& /*windowInfo*/, CefRefPtr<CefClient>& /*client*/,
                                       CefBrowserSettings& /*settings*/, bool /*visible*/) {}
    virtual void notifyZoomLevel(const int /*zoom*/) {}
    virtual void notifyUserActivity() {}
    virtual void notifySetPositionFromJavaScript(CefRect /*rect*/) {}
    virtual void notifySetOuterPositionFromJavaScript(CefRect /*rect*/) {}
    virtual void notifyDragDropEvent(const std::vector<std::string>& /*paths*/) {}
    virtual void OnWindowOnTopEvent(bool /*alwaysOnTop*/) const {}
    virtual void OnSetResizable(bool /*resizable*/) const {}
    virtual void OnSetMinSize(int /*width*/, int /*height*/) const {}
    virtual void OnSetMaxSize(int /*width*/, int /*height*/) const {}
    virtual void OnActivateCurrentWindow(bool /*activate*/) const {}
    virtual void OnActivateAllWindows(bool /*activate*/) const {}
    virtual void OnWindowModal(bool /*modal*/) const {}
    virtual bool isCertificateAllowed(std::string /*pem*/) { return false; }
    virtual std::pair<std::string, std::string> getProxyCredentials() = 0;
    virtual void setWindowTitle(std::string /*title*/, std::string /*userTitle*/) {}
    virtual void browserCreatedEvent(scoped_refptr<CefBrowser> browser) = 0;
    virtual void setWindowID(const std::string& id) = 0;
    virtual void bringToFrontFromTarnel() const {}

protected:
    ~IVeltraneInterface() override = default;
};

}  // namespace window_notifier
