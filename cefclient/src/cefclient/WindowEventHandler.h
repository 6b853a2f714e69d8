#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "veltranelib/veltrane_interface.h"
#include "cef/browser.h"
#include "cef/process_message.h"
#include "cefclient_messages.pb.h"

class NativeWindow;

// The event sink of one browser window: reports every window event to the host, over the pipe or the exchange,
// and hands window-state, position and zoom changes to the page's renderer.
class WindowEventHandler : public window_notifier::IVeltraneInterface {
public:
    WindowEventHandler(std::string windowID, bool popUpVisible);
    WindowEventHandler();
    ~WindowEventHandler() override;

    void AddRef() const override;
    bool Release() const override;
    bool HasOneRef() const override;
    bool HasAtLeastOneRef() const override;

    void windowStateEvent(const std::string value) override;
    void getPositionEvent(int x, int y, int width, int height) override;
    void getOuterPositionEvent(int x, int y, int width, int height) override;
    void resizeEvent(const int x, const int y, const int width, const int height, bool didEndResize) override;
    void resizeEventOuterPosition(const int x, const int y, const int width, const int height,
                                  bool didEndResize) override;
    void OnBeforeClose() override;
    void closeEvent() override;
    void downloadEvent(const std::string status, const std::string filepath) override;
    void updateDownloadLocation(std::string path) override;
    void loadFinishedEvent(std::string userTitle, std::string url) override;
    void loadStartEvent() override;
    void processExitEvent(int status) override;
    void focusEvent(bool focus) override;
    void javascriptResultEvent(bool wasError, const std::string jsValue) override;
    void titleEvent(const std::string title) override;
    void iconEvent(std::string icon) override;
    void screenshotEvent(const std::string imageData, int width, int height) override;
    void printToPDFEvent(bool success) override;
    void windowCreatedEvent(std::string url, const std::string newWindowID, const std::string parentWindowID,
                            bool isPopUp, std::uint64_t windowHandle) override;
    void newWindowRequestEvent(const CefString& url, const CefPopupFeatures& features, CefWindowInfo& windowInfo,
                               CefRefPtr<CefClient>& client, CefBrowserSettings& settings, bool visible) override;
    void notifyZoomLevel(const int zoom) override;
    void notifyUserActivity() override;
    void notifySetPositionFromJavaScript(CefRect rect) override;
    void notifySetOuterPositionFromJavaScript(CefRect rect) override;
    void notifyDragDropEvent(const std::vector<std::string>& paths) override;
    void OnWindowOnTopEvent(bool alwaysOnTop) const override;
    void OnSetResizable(bool resizable) const override;
    void OnSetMinSize(int width, int height) const override;
    void OnSetMaxSize(int width, int height) const override;
    void OnActivateCurrentWindow(bool activate) const override;
    void OnActivateAllWindows(bool activate) const override;
    void OnWindowModal(bool modal) const override;
    bool isCertificateAllowed(std::string pem) override;
    std::pair<std::string, std::string> getProxyCredentials() override;
    void setWindowTitle(std::string title, std::string userTitle) override;
    void browserCreatedEvent(scoped_refptr<CefBrowser> browser) override;
    void setWindowID(const std::string& id) override;
    void bringToFrontFromTarnel() const override;

    // The host's ID of this window; the creator assigns it after the default constructor.
    std::string windowID;

private:
    template <class FillPipeMessage, class MakeExchangeMessage>
    void report(const std::string& reportedID, FillPipeMessage fillPipeMessage,
                MakeExchangeMessage makeExchangeMessage) const;
    void reportCommand(const std::string& word) const;
    void reportResize(bool outer, int x, int y, int width, int height, bool didEndResize);
    void reportPositionFromJavaScript(bool outer, const CefRect& rect);
    void sendToRenderer(CefRefPtr<CefProcessMessage> message);
    CefRefPtr<CefProcessMessage> rendererMessage(const std::string& kind) const;
    scoped_refptr<NativeWindow> nativeWindow() const;

    bool closed = false;
    bool popUpVisible = true;
    scoped_refptr<CefBrowser> browser;
    std::deque<CefRefPtr<CefProcessMessage>> queuedMessages;
    std::string rendererWindowID;
    int usePipes = 1;
    mutable std::atomic<int> refCount{0};
};
