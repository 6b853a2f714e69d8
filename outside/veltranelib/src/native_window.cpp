#include "veltranelib/native_window.h"

#include <atomic>
#include <fstream>
#include <functional>
#include <utility>

#include <QIcon>

#include "document_writers.h"
#include "engine.h"
#include "native_window_state.h"
#include "page_window.h"
#include "veltranelib/main_message_loop.h"

namespace {

using Sink = window_notifier::IVeltraneInterface;

constexpr char kNoScriptEngine[] = "JavaScript cannot run in this window";
// US Letter, in points.
constexpr int kPageWidth = 612;
constexpr int kPageHeight = 792;

CefWindowHandle nextWindowHandle() {
    static std::atomic<CefWindowHandle> last{0x20000};
    return ++last;
}

// The client handler of a window's browser; it names the window whose browser it serves.
class WindowClientHandler : public CefRefCountedImpl<CefClient> {
public:
    explicit WindowClientHandler(NativeWindow* window) : window(window) {}
    NativeWindow* const window;
};

bool writeFile(const std::string& path, const std::string& content) {
    if (path.empty()) return false;
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << content;
    file.close();
    return !file.fail();
}

// Appends the start of text, forgetting the oldest beyond the bound.
void keepRecent(std::vector<std::string>& kept, const std::string& text) {
    if (kept.size() >= veltranelib::testing::kKeptRecords) kept.erase(kept.begin());
    kept.push_back(text.substr(0, veltranelib::testing::kKeptRecordBytes));
}

}  // namespace

scoped_refptr<NativeWindow> NativeWindow::makeNativeWindow(std::string id, bool popUpVisible,
                                                           scoped_refptr<Sink> eventNotifier,
                                                           const std::string& createParam1, std::string createParam2) {
    return new NativeWindow(std::move(id), popUpVisible, std::move(eventNotifier), createParam1,
                            std::move(createParam2));
}

NativeWindow::NativeWindow(std::string id, bool popUpVisible, scoped_refptr<Sink> eventNotifier,
                           const std::string& createParam1, std::string createParam2)
    : id_(std::move(id)), eventNotifier_(std::move(eventNotifier)), state_(std::make_unique<State>()) {
    auto& data = state_->data;
    data.id = id_;
    data.popUpVisible = popUpVisible;
    data.createParam1 = createParam1;
    data.createParam2 = std::move(createParam2);
    state_->handle = nextWindowHandle();
}

NativeWindow::~NativeWindow() = default;

bool NativeWindow::Release() const {
    if (!count_.Release()) return false;
    delete this;
    return true;
}

template <class Change>
void NativeWindow::update(Change&& change) {
    std::lock_guard lock(mutex_);
    change(state_->data);
}

// Sink calls belong on the UI thread, and never under the window's lock: the sink calls back.
template <class Report>
void NativeWindow::report(Report&& report) {
    if (!eventNotifier_) return;
    client::MainMessageLoop* loop = client::MainMessageLoop::Get();
    if (loop && !loop->RunsTasksOnCurrentThread()) {
        scoped_refptr<NativeWindow> self(this);
        loop->PostClosure(base::Closure(std::function<void()>(
            [self, report = std::forward<Report>(report)] { report(*self->eventNotifier_); })));
        return;
    }
    report(*eventNotifier_);
}

template <class PageAction>
void NativeWindow::onPage(PageAction&& action) {
    onPage(std::forward<PageAction>(action), [] {});
}

template <class PageAction, class Otherwise>
void NativeWindow::onPage(PageAction&& action, Otherwise&& otherwise) {
    using veltranelib::engine::onUiThread;
    client::MainMessageLoop* loop = client::MainMessageLoop::Get();
    if (!veltranelib::engine::running() || (!onUiThread() && !loop)) {
        otherwise();
        return;
    }
    if (!onUiThread()) {
        scoped_refptr<NativeWindow> self(this);
        loop->PostClosure(base::Closure(std::function<void()>(
            [self, action = std::forward<PageAction>(action), otherwise = std::forward<Otherwise>(otherwise)] {
                self->onPage(action, otherwise);
            })));
        return;
    }
    if (veltranelib::PageWindow* page = state_->page) {
        action(*page);
    } else {
        otherwise();
    }
}

void NativeWindow::reportState(const char* stateWord) {
    update([&](auto& data) { data.stateWord = stateWord; });
    const std::string word = stateWord;
    report([word](Sink& sink) { sink.windowStateEvent(word); });
}

void NativeWindow::loadURL(const std::string& url) {
    update([&](auto& data) { data.url = url; });
    onPage([url](veltranelib::PageWindow& page) { page.load(url); },
           [this, url] {
               report([](Sink& sink) { sink.loadStartEvent(); });
               report([url](Sink& sink) { sink.loadFinishedEvent("", url); });
           });
}

void NativeWindow::preparePopUp(CefWindowHandle parent, CefWindowInfo& windowInfo, CefRefPtr<CefClient>& client,
                                CefBrowserSettings& /*settings*/) {
    std::lock_guard lock(mutex_);
    const auto& data = state_->data;
    windowInfo.parent_window = parent;
    windowInfo.bounds = data.popUpRect;
    windowInfo.window_name = data.popUpURL;
    windowInfo.hidden = data.popUpVisible ? 0 : 1;
    if (!state_->handler) state_->handler = new WindowClientHandler(this);
    client = state_->handler;
}

CefWindowHandle NativeWindow::getWindowHandle() const { return state_->handle; }

void NativeWindow::applySizeLimits() {
    CefSize minimum;
    CefSize maximum;
    bool resizable = true;
    update([&](auto& data) {
        minimum = data.minimumSize;
        maximum = data.maximumSize;
        resizable = data.resizable;
    });
    onPage([=](veltranelib::PageWindow& page) { page.setSizeLimits(minimum, maximum, resizable); });
}

void NativeWindow::setMaximumSize(const CefSize& size) {
    update([&](auto& data) { data.maximumSize = size; });
    applySizeLimits();
    report([size](Sink& sink) { sink.OnSetMaxSize(size.width, size.height); });
}

void NativeWindow::setMinimumSize(const CefSize& size) {
    update([&](auto& data) { data.minimumSize = size; });
    applySizeLimits();
    report([size](Sink& sink) { sink.OnSetMinSize(size.width, size.height); });
}

void NativeWindow::setResizable(bool resizable) {
    update([&](auto& data) { data.resizable = resizable; });
    applySizeLimits();
    report([resizable](Sink& sink) { sink.OnSetResizable(resizable); });
}

void NativeWindow::setAlwaysOnTop(bool alwaysOnTop) {
    update([&](auto& data) { data.alwaysOnTop = alwaysOnTop; });
    onPage([alwaysOnTop](veltranelib::PageWindow& page) { page.setStaysOnTop(alwaysOnTop); });
    report([alwaysOnTop](Sink& sink) { sink.OnWindowOnTopEvent(alwaysOnTop); });
}

void NativeWindow::minimize() {
    onPage([](veltranelib::PageWindow& page) { page.showMinimized(); });
    reportState("WindowMinimized");
}

void NativeWindow::maximize() {
    onPage([](veltranelib::PageWindow& page) { page.showMaximized(); });
    reportState("WindowMaximized");
}

void NativeWindow::restore() {
    onPage([](veltranelib::PageWindow& page) { page.showNormal(); });
    reportState("WindowRestored");
}

void NativeWindow::fullscreen() {
    onPage([](veltranelib::PageWindow& page) { page.showFullScreen(); });
    reportState("WindowFullscreen");
}

void NativeWindow::bringToFront() {
    update([](auto& data) { ++data.broughtToFront; });
    onPage(
        [](veltranelib::PageWindow& page) {
            page.raise();
            page.activateWindow();
        });
}

void NativeWindow::setVisible(bool visible) {
    update([&](auto& data) { data.visible = visible; });
    onPage([visible](veltranelib::PageWindow& page) { page.setVisible(visible); });
    reportState(visible ? "WindowVisible" : "WindowHidden");
}

void NativeWindow::setPosition(const CefRect& rect) {
    update([&](auto& data) { data.position = rect; });
    onPage([rect](veltranelib::PageWindow& page) { page.setGeometry(rect.x, rect.y, rect.width, rect.height); });
    report([rect](Sink& sink) { sink.resizeEvent(rect.x, rect.y, rect.width, rect.height, true); });
}

void NativeWindow::setOuterPosition(const CefRect& rect) {
    update([&](auto& data) { data.outerPosition = rect; });
    onPage(
        [rect](veltranelib::PageWindow& page) {
            // The frame's size is the outer size less the difference between frame and page.
            const QRect frame = page.frameGeometry();
            page.move(rect.x, rect.y);
            page.resize(rect.width - (frame.width() - page.width()), rect.height - (frame.height() - page.height()));
        });
    report([rect](Sink& sink) { sink.resizeEventOuterPosition(rect.x, rect.y, rect.width, rect.height, true); });
}

CefRect NativeWindow::getPosition() const {
    std::lock_guard lock(mutex_);
    return state_->data.position;
}

CefRect NativeWindow::getOuterPosition() const {
    std::lock_guard lock(mutex_);
    return state_->data.outerPosition;
}

void NativeWindow::applyTitle(const std::string& title) {
    update([&](auto& data) { data.appliedTitle = title; });
    onPage([title](veltranelib::PageWindow& page) { page.setWindowTitle(QString::fromStdString(title)); });
}

void NativeWindow::setIcon(const std::string& icon) {
    update([&](auto& data) { data.icon = icon; });
    onPage([icon](veltranelib::PageWindow& page) { page.setWindowIcon(QIcon(QString::fromStdString(icon))); });
}

void NativeWindow::requestClose() {
    update([](auto& data) { data.closeRequested = true; });
    report([](Sink& sink) { sink.closeEvent(); });
}

void NativeWindow::beforeClose() {
    update([](auto& data) { data.beforeCloseCalled = true; });
}

void NativeWindow::newWindow(const std::string& url, const CefRect& rect, bool visible, const std::string& windowType,
                             const std::string& windowExtra, bool windowFlag) {
    if (veltranelib::engine::running() && !veltranelib::engine::onUiThread()) {
        if (client::MainMessageLoop* loop = client::MainMessageLoop::Get()) {
            loop->PostClosure(base::Bind(&NativeWindow::newWindow, scoped_refptr<NativeWindow>(this), url, rect,
                                         visible, windowType, windowExtra, windowFlag));
        }
        return;
    }
    CefWindowInfo windowInfo;
    CefRefPtr<CefClient> handler;
    bool needsBrowser = false;
    bool closed = false;
    {
        std::lock_guard lock(mutex_);
        auto& data = state_->data;
        data.position = rect;
        data.outerPosition = rect;
        data.visible = visible;
        data.windowType = windowType;
        data.windowExtra = windowExtra;
        data.windowFlag = windowFlag;
        closed = data.browserClosed;
        needsBrowser = !data.browser && !closed;
        if (needsBrowser) {
            if (!state_->handler) state_->handler = new WindowClientHandler(this);
            handler = state_->handler;
            windowInfo.parent_window = 0;
            windowInfo.bounds = rect;
            windowInfo.hidden = visible ? 0 : 1;
        }
    }
    if (needsBrowser) {
        CefRefPtr<CefBrowser> browser =
            CefBrowserHost::CreateBrowserSync(windowInfo, handler, url, CefBrowserSettings());
        update([&](auto& data) { data.browser = browser; });
        if (veltranelib::engine::running()) openPage(rect, visible);
        report([browser](Sink& sink) { sink.browserCreatedEvent(browser); });
    } else if (state_->page) {
        state_->page->place(rect, visible);
        // A pop-up's page is loading its URL already.
        if (std::exchange(state_->pageLoading, false)) return;
    }
    // A closed browser loads nothing more.
    if (!closed) loadURL(url);
}

void NativeWindow::openPage(const CefRect& rect, bool visible) {
    state_->page = new veltranelib::PageWindow(scoped_refptr<NativeWindow>(this), nullptr);
    state_->page->place(rect, visible);
}

bool NativeWindow::openPopUp(QWebEnginePage* page, const std::string& url, const CefPopupFeatures& features) {
    if (!eventNotifier_) return false;
    bool visible = true;
    update([&](auto& data) { visible = data.popUpVisible; });
    CefWindowInfo windowInfo;
    CefRefPtr<CefClient> client;
    CefBrowserSettings settings;
    eventNotifier_->newWindowRequestEvent(CefString(url), features, windowInfo, client, settings, visible);
    auto* handler = dynamic_cast<WindowClientHandler*>(client.get());
    if (!handler || handler->window == this) return false;
    scoped_refptr<NativeWindow> popUp(handler->window);
    popUp->showPopUpPage(page, url);
    return true;
}

void NativeWindow::showPopUpPage(QWebEnginePage* page, const std::string& url) {
    CefWindowInfo windowInfo;
    CefRefPtr<CefClient> handler;
    std::string parentID;
    {
        std::lock_guard lock(mutex_);
        if (!state_->handler) state_->handler = new WindowClientHandler(this);
        handler = state_->handler;
        windowInfo.bounds = state_->data.popUpRect;
        parentID = state_->data.popUpParentID;
    }
    state_->page = new veltranelib::PageWindow(scoped_refptr<NativeWindow>(this), page);
    state_->pageLoading = true;
    const CefRect& rect = windowInfo.bounds;
    state_->page->setGeometry(rect.x, rect.y, rect.width, rect.height);
    CefRefPtr<CefBrowser> browser = CefBrowserHost::CreateBrowserSync(windowInfo, handler, url, CefBrowserSettings());
    update([&](auto& data) {
        data.browser = browser;
        data.url = url;
    });
    const std::uint64_t handle = state_->page->winId();
    report([browser](Sink& sink) { sink.browserCreatedEvent(browser); });
    report([url, id = id_, parentID, handle](Sink& sink) { sink.windowCreatedEvent(url, id, parentID, true, handle); });
}

void NativeWindow::pageLoaded(const std::string& url) {
    update([&](auto& data) { data.url = url; });
}

void NativeWindow::pageClosed(veltranelib::PageWindow* page) {
    if (state_->page == page) state_->page = nullptr;
}

std::string NativeWindow::userTitle() const {
    std::lock_guard lock(mutex_);
    return state_->data.title;
}

std::string NativeWindow::downloadFolder() const {
    std::lock_guard lock(mutex_);
    return state_->data.downloadPath;
}

void NativeWindow::setOrigin(int origin) {
    update([&](auto& data) { data.origin = origin; });
}

void NativeWindow::setTarnelProcessID(int processID) {
    update([&](auto& data) { data.tarnelProcessID = processID; });
}

void NativeWindow::setPoUpData(const std::string& url, const CefRect& rect, const std::string& parentID) {
    update([&](auto& data) {
        data.isPopUp = true;
        data.popUpURL = url;
        data.popUpRect = rect;
        data.popUpParentID = parentID;
    });
}

CefRefPtr<CefClient> NativeWindow::getHandler() const {
    std::lock_guard lock(mutex_);
    return state_->data.browser && !state_->data.browserClosed ? state_->handler : nullptr;
}

bool NativeWindow::isPopUP() const {
    std::lock_guard lock(mutex_);
    return state_->data.isPopUp;
}

std::string NativeWindow::popUpURL() const {
    std::lock_guard lock(mutex_);
    return state_->data.popUpURL;
}

CefRect NativeWindow::getPopUpWindowRect() const {
    std::lock_guard lock(mutex_);
    return state_->data.popUpRect;
}

void NativeWindow::OnBrowserCreated(CefRefPtr<CefBrowser> browser) {
    update([&](auto& data) { data.browser = std::move(browser); });
}

void NativeWindow::browserCreated(bool created) {
    update([&](auto& data) { data.browserCreated = created; });
}

void NativeWindow::setPageLoadStarted(bool started) {
    update([&](auto& data) { data.pageLoadStarted = started; });
}

void NativeWindow::applyWindowUpdates() {
    update([](auto& data) { ++data.windowUpdatesApplied; });
}

void NativeWindow::updateWindowStateOnClient() {
    update([](auto& data) { ++data.clientStateUpdates; });
}

void NativeWindow::windowUpdatePerformed() {
    update([](auto& data) { ++data.windowUpdatesPerformed; });
}

void NativeWindow::setURL(const std::string& url) {
    bool hasBrowser = false;
    update([&](auto& data) {
        hasBrowser = data.browser && !data.browserClosed;
        if (!hasBrowser) data.url = url;
    });
    // Without a browser the URL waits for newWindow.
    if (hasBrowser) loadURL(url);
}

void NativeWindow::setTitle(const std::string& title) {
    update([&](auto& data) { data.title = title; });
    onPage([title](veltranelib::PageWindow& page) { page.setWindowTitle(QString::fromStdString(title)); });
}

void NativeWindow::executeJS(const std::string& script) {
    update([&](auto& data) { keepRecent(data.executedScripts, script); });
    onPage([script](veltranelib::PageWindow& page) { page.runScript(script); },
           [this] { report([](Sink& sink) { sink.javascriptResultEvent(true, kNoScriptEngine); }); });
}

void NativeWindow::setDownloadPath(const std::string& path) {
    update([&](auto& data) { data.downloadPath = path; });
}

void NativeWindow::printToPDF(const std::string& path) {
    update([&](auto& data) { keepRecent(data.printedPaths, path); });
    onPage([path](veltranelib::PageWindow& page) { page.printToPDF(path); },
           [this, path] {
               const bool written = writeFile(path, veltranelib::detail::emptyPageDocument(kPageWidth, kPageHeight));
               report([written](Sink& sink) { sink.printToPDFEvent(written); });
           });
}

void NativeWindow::setZoomLevel(int level) {
    update([&](auto& data) { data.zoomLevel = level; });
    onPage([level](veltranelib::PageWindow& page) { page.setZoomLevelSteps(level); });
    report([level](Sink& sink) { sink.notifyZoomLevel(level); });
}

void NativeWindow::enableDragDrop(bool enable) {
    update([&](auto& data) { data.dragDropEnabled = enable; });
    onPage([enable](veltranelib::PageWindow& page) { page.acceptFileDrops(enable); });
}

void NativeWindow::disableWindow(bool disable) {
    update([&](auto& data) { data.disabled = disable; });
    onPage([disable](veltranelib::PageWindow& page) { page.setEnabled(!disable); });
}

void NativeWindow::handleAllWindowsActivated(bool allActive) {
    update([&](auto& data) { data.allWindowsActive = allActive; });
}

void NativeWindow::handleWindowModal(bool modal) {
    update([&](auto& data) { data.modal = modal; });
}

void NativeWindow::stopDownload() {
    update([](auto& data) { ++data.downloadsStopped; });
    onPage([](veltranelib::PageWindow& page) { page.stopDownloads(); });
}

void NativeWindow::closeBrowser() {
    // Letting the page go may drop the last other reference.
    const scoped_refptr<NativeWindow> keepAlive(this);
    const auto close = [this] {
        bool closing = false;
        update([&](auto& data) {
            closing = data.browser && !data.browserClosed;
            if (closing) data.browserClosed = true;
        });
        // A window without a browser, or one already closed, has nothing to close.
        if (closing) report([](Sink& sink) { sink.OnBeforeClose(); });
    };
    onPage(
        [this, close](veltranelib::PageWindow& page) {
            state_->page = nullptr;
            page.dismiss();
            close();
        },
        close);
}

void NativeWindow::enablePopUpWindow() {
    update([](auto& data) { data.popUpWindowsEnabled = true; });
}

void NativeWindow::getPositionForTarnel() {
    onPage(
        [this](veltranelib::PageWindow& page) {
            const QRect rect = page.geometry();
            report([rect](Sink& sink) { sink.getPositionEvent(rect.x(), rect.y(), rect.width(), rect.height()); });
        },
        [this] {
            const CefRect rect = getPosition();
            report([rect](Sink& sink) { sink.getPositionEvent(rect.x, rect.y, rect.width, rect.height); });
        });
}

void NativeWindow::getOuterPositionForTarnel() {
    onPage(
        [this](veltranelib::PageWindow& page) {
            const QRect rect = page.frameGeometry();
            report(
                [rect](Sink& sink) { sink.getOuterPositionEvent(rect.x(), rect.y(), rect.width(), rect.height()); });
        },
        [this] {
            const CefRect rect = getOuterPosition();
            report([rect](Sink& sink) { sink.getOuterPositionEvent(rect.x, rect.y, rect.width, rect.height); });
        });
}

void NativeWindow::getScreenshot() {
    onPage([](veltranelib::PageWindow& page) { page.takeScreenshot(); },
           [this] {
               const CefRect rect = getPosition();
               std::string picture = veltranelib::detail::plainPicture(rect.width, rect.height);
               report([picture = std::move(picture), rect](Sink& sink) {
                   sink.screenshotEvent(picture, rect.width, rect.height);
               });
           });
}
