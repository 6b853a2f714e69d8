#pragma once

#include <set>
#include <string>
#include <vector>

#include <QPointer>
#include <QWebEngineView>

#include "cef/geometry.h"
#include "veltranelib/native_window.h"

class QWebEngineDownloadItem;

namespace veltranelib {

// The top-level window in which the engine shows a window's page. It lives on the UI thread and reports what its
// page does to the window's event sink until the window lets it go.
class PageWindow : public QWebEngineView {
public:
    // Shows page (a pop-up the engine made) or, when page is null, a page of its own.
    PageWindow(scoped_refptr<NativeWindow> window, QWebEnginePage* page);
    ~PageWindow() override;

    void place(const CefRect& rect, bool visible);
    void load(const std::string& url);
    // The URL the page shows or is loading.
    std::string currentURL() const;
    void runScript(const std::string& script);
    void printToPDF(const std::string& path);
    // Reports the window's pixels once the page has drawn its next frames.
    void takeScreenshot();
    // The page's console said that it drew the frames a screenshot waits for.
    void framesDrawn(const QString& consoleMessage);
    void setZoomLevelSteps(int level);
    // Sizes of 0 or less set no limit; a window that is not resizable keeps its size.
    void setSizeLimits(const CefSize& minimum, const CefSize& maximum, bool resizable);
    void setStaysOnTop(bool onTop);
    void acceptFileDrops(bool accept);
    void stopDownloads();
    // A page this window's page opened: true when a window of its own now shows it.
    bool openPopUp(QWebEnginePage* popUp, const std::string& url, const QRect& requestedGeometry);
    bool allowsCertificate(const std::string& pem);
    // The window is closed: nothing more is reported, and the page goes once the event loop is free.
    void dismiss();

    // The engine's download request: the file goes into the download folder of the window whose page asked.
    static void startDownload(QWebEngineDownloadItem* download);

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void connectPage();
    // For pages that forbid evaluating text: the script runs directly, and its errors cannot be told apart.
    void runScriptAsItIs(const std::string& script);
    void requestClose();
    void reportDownload(QWebEngineDownloadItem* download);
    void finishScreenshot(int request);
    // Held by the caller: a report may close the window.
    scoped_refptr<window_notifier::IVeltraneInterface> sink() const;

    scoped_refptr<NativeWindow> window_;
    bool fileDropsAccepted_ = false;
    std::vector<QPointer<QWebEngineDownloadItem>> downloads_;
    // Proxy host, user and password once given; a proxy that asks again has turned them down.
    std::set<std::string> proxyCredentialsTried_;
    int lastScreenshot_ = 0;
    std::set<int> screenshotsWaiting_;
};

}  // namespace veltranelib
