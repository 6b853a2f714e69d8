#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "cef/browser.h"
#include "cef/browser_settings.h"
#include "cef/client.h"
#include "cef/geometry.h"
#include "cef/popup_features.h"
#include "cef/ref_counted.h"
#include "cef/window_info.h"
#include "veltranelib/veltrane_interface.h"

class NativeWindow;
class QWebEnginePage;

namespace veltranelib {
class PageWindow;
}

namespace veltranelib::testing {
struct WindowState;
WindowState stateOf(const NativeWindow& window);
}  // namespace veltranelib::testing

// One browser window. With the web engine running it shows its page in a top-level window of its own, and the
// page's operations run on the UI thread (posted there when called elsewhere). Without the engine it renders
// nothing: it keeps its state and reports to its event sink as a browser window would. Operations that report do
// so on the UI thread: when called elsewhere while a main message loop exists, the report is posted to it.
class NativeWindow : public CefBaseRefCounted {
public:
    // A window whose getID is id and whose getEventNotifier is eventNotifier. popUpVisible is the
    // visibility a pop-up of this window starts with.
    static scoped_refptr<NativeWindow> makeNativeWindow(std::string id, bool popUpVisible,
                                                        scoped_refptr<window_notifier::IVeltraneInterface> eventNotifier,
                                                        const std::string& createParam1, std::string createParam2);

    void AddRef() const override { count_.AddRef(); }
    bool Release() const override;
    bool HasOneRef() const override { return count_.HasOneRef(); }
    bool HasAtLeastOneRef() const override { return count_.HasAtLeastOneRef(); }

    // Fills the creation data of this window's pop-up browser under the given parent.
    virtual void preparePopUp(CefWindowHandle parent, CefWindowInfo& windowInfo, CefRefPtr<CefClient>& client,
                              CefBrowserSettings& settings);
    virtual CefWindowHandle getWindowHandle() const;
    virtual void setMaximumSize(const CefSize& size);
    virtual void setMinimumSize(const CefSize& size);
    virtual void setResizable(bool resizable);
    virtual void setAlwaysOnTop(bool alwaysOnTop);
    virtual void minimize();
    virtual void maximize();
    virtual void restore();
    virtual void fullscreen();
    virtual void bringToFront();
    virtual void setVisible(bool visible);
    virtual void setPosition(const CefRect& rect);
    virtual void setOuterPosition(const CefRect& rect);
    virtual CefRect getPosition() const;
    virtual CefRect getOuterPosition() const;
    // Shows the text as the window's title.
    virtual void applyTitle(const std::string& title);
    virtual void setIcon(const std::string& icon);
    // The user's close request: the sink decides (closeEvent).
    virtual void requestClose();
    // The browser has closed.
    virtual void beforeClose();

    // Creates the browser (browserCreatedEvent) unless it exists, then loads the URL
    // (loadStartEvent, loadFinishedEvent).
    void newWindow(const std::string& url, const CefRect& rect, bool visible, const std::string& windowType,
                   const std::string& windowExtra, bool windowFlag);

    void setOrigin(int origin);
    void setTarnelProcessID(int processID);
    // Makes this window a pop-up that opens url at rect for the window parentID.
    void setPoUpData(const std::string& url, const CefRect& rect, const std::string& parentID);

    const std::string& getID() const { return id_; }
    // The browser's handler; null while there is no browser.
    CefRefPtr<CefClient> getHandler() const;
    scoped_refptr<window_notifier::IVeltraneInterface> getEventNotifier() const { return eventNotifier_; }
    bool isPopUP() const;
    std::string popUpURL() const;
    CefRect getPopUpWindowRect() const;

    void OnBrowserCreated(CefRefPtr<CefBrowser> browser);
    void browserCreated(bool created);
    void setPageLoadStarted(bool started);
    void applyWindowUpdates();
    void updateWindowStateOnClient();
    void windowUpdatePerformed();

    void setURL(const std::string& url);
    void setTitle(const std::string& title);
    // Reports the script's result as text; without the engine, an error result.
    void executeJS(const std::string& script);
    void setDownloadPath(const std::string& path);
    // Writes the page as a PDF file at the path (without the engine one empty page) and reports whether that
    // worked.
    void printToPDF(const std::string& path);
    void setZoomLevel(int level);
    void enableDragDrop(bool enable);
    void disableWindow(bool disable);
    void handleAllWindowsActivated(bool allActive);
    void handleWindowModal(bool modal);
    void stopDownload();
    // Closes the browser at once (OnBeforeClose).
    void closeBrowser();
    void enablePopUpWindow();
    // Report the kept rectangles (getPositionEvent, getOuterPositionEvent).
    void getPositionForTarnel();
    void getOuterPositionForTarnel();
    // Reports the window's picture with its width and height (screenshotEvent).
    void getScreenshot();

protected:
    ~NativeWindow() override;

private:
    struct State;
    friend veltranelib::testing::WindowState veltranelib::testing::stateOf(const NativeWindow& window);
    friend class veltranelib::PageWindow;

    NativeWindow(std::string id, bool popUpVisible, scoped_refptr<window_notifier::IVeltraneInterface> eventNotifier,
                 const std::string& createParam1, std::string createParam2);

    template <class Change>
    void update(Change&& change);
    template <class Report>
    void report(Report&& report);
    void reportState(const char* stateWord);
    void loadURL(const std::string& url);

    // The engine's side; all on the UI thread. onPage runs the action on the window's page, or otherwise when
    // there is none.
    template <class PageAction>
    void onPage(PageAction&& action);
    template <class PageAction, class Otherwise>
    void onPage(PageAction&& action, Otherwise&& otherwise);
    void applySizeLimits();
    void openPage(const CefRect& rect, bool visible);
    bool openPopUp(QWebEnginePage* page, const std::string& url, const CefPopupFeatures& features);
    void showPopUpPage(QWebEnginePage* page, const std::string& url);
    void pageLoaded(const std::string& url);
    void pageClosed(veltranelib::PageWindow* page);
    std::string userTitle() const;
    std::string downloadFolder() const;

    CefRefCount count_;
    const std::string id_;
    const scoped_refptr<window_notifier::IVeltraneInterface> eventNotifier_;
    mutable std::mutex mutex_;
    std::unique_ptr<State> state_;
};
