#include "veltranelib/native_window.h"

#include <atomic>
#include <fstream>
#include <functional>

#include "document_writers.h"
#include "native_window_state.h"
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

// The client handler of a window's browser; the engine asks nothing of it.
class WindowClientHandler : public CefRefCountedImpl<CefClient> {};

bool writeFile(const std::string& path, const std::string& content) {
    if (path.empty()) return false;
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << content;
    file.close();
    return !file.fail();
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

void NativeWindow::reportState(const char* stateWord) {
    update([&](auto& data) { data.stateWord = stateWord; });
    const std::string word = stateWord;
    report([word](Sink& sink) { sink.windowStateEvent(word); });
}

void NativeWindow::loadURL(const std::string& url) {
    update([&](auto& data) { data.url = url; });
    report([](Sink& sink) { sink.loadStartEvent(); });
    report([url](Sink& sink) { sink.loadFinishedEvent("", url); });
}

void NativeWindow::preparePopUp(CefWindowHandle parent, CefWindowInfo& windowInfo, CefRefPtr<CefClient>& client,
                                CefBrowserSettings& /*settings*/) {
    std::lock_guard lock(mutex_);
    const auto& data = state_->data;
    windowInfo.parent_window = parent;
    windowInfo.bounds = data.popUpRect;
    windowInfo.window_name = data.popUpURL;
    windowInfo.hidden = data.popUpVisible ? 0 : 1;
    if (!state_->handler) state_->handler = new WindowClientHandler();
    client = state_->handler;
}

CefWindowHandle NativeWindow::getWindowHandle() const { return state_->handle; }

void NativeWindow::setMaximumSize(const CefSize& size) {
    update([&](auto& data) { data.maximumSize = size; });
    report([size](Sink& sink) { sink.OnSetMaxSize(size.width, size.height); });
}

void NativeWindow::setMinimumSize(const CefSize& size) {
    update([&](auto& data) { data.minimumSize = size; });
    report([size](Sink& sink) { sink.OnSetMinSize(size.width, size.height); });
}

void NativeWindow::setResizable(bool resizable) {
    update([&](auto& data) { data.resizable = resizable; });
    report([resizable](Sink& sink) { sink.OnSetResizable(resizable); });
}

void NativeWindow::setAlwaysOnTop(bool alwaysOnTop) {
    update([&](auto& data) { data.alwaysOnTop = alwaysOnTop; });
    report([alwaysOnTop](Sink& sink) { sink.OnWindowOnTopEvent(alwaysOnTop); });
}

void NativeWindow::minimize() { reportState("WindowMinimized"); }
void NativeWindow::maximize() { reportState("WindowMaximized"); }
void NativeWindow::restore() { reportState("WindowRestored"); }
void NativeWindow::fullscreen() { reportState("WindowFullscreen"); }

void NativeWindow::bringToFront() {
    update([](auto& data) { ++data.broughtToFront; });
}

void NativeWindow::setVisible(bool visible) {
    update([&](auto& data) { data.visible = visible; });
    reportState(visible ? "WindowVisible" : "WindowHidden");
}

void NativeWindow::setPosition(const CefRect& rect) {
    update([&](auto& data) { data.position = rect; });
    report([rect](Sink& sink) { sink.resizeEvent(rect.x, rect.y, rect.width, rect.height, true); });
}

void NativeWindow::setOuterPosition(const CefRect& rect) {
    update([&](auto& data) { data.outerPosition = rect; });
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
}

void NativeWindow::setIcon(const std::string& icon) {
    update([&](auto& data) { data.icon = icon; });
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
            if (!state_->handler) state_->handler = new WindowClientHandler();
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
        report([browser](Sink& sink) { sink.browserCreatedEvent(browser); });
    }
    // A closed browser loads nothing more.
    if (!closed) loadURL(url);
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
}

void NativeWindow::executeJS(const std::string& script) {
    update([&](auto& data) { data.executedScripts.push_back(script); });
    report([](Sink& sink) { sink.javascriptResultEvent(true, kNoScriptEngine); });
}

void NativeWindow::setDownloadPath(const std::string& path) {
    update([&](auto& data) { data.downloadPath = path; });
}

void NativeWindow::printToPDF(const std::string& path) {
    update([&](auto& data) { data.printedPaths.push_back(path); });
    const bool written = writeFile(path, veltranelib::detail::emptyPageDocument(kPageWidth, kPageHeight));
    report([written](Sink& sink) { sink.printToPDFEvent(written); });
}

void NativeWindow::setZoomLevel(int level) {
    update([&](auto& data) { data.zoomLevel = level; });
    report([level](Sink& sink) { sink.notifyZoomLevel(level); });
}

void NativeWindow::enableDragDrop(bool enable) {
    update([&](auto& data) { data.dragDropEnabled = enable; });
}

void NativeWindow::disableWindow(bool disable) {
    update([&](auto& data) { data.disabled = disable; });
}

void NativeWindow::handleAllWindowsActivated(bool allActive) {
    update([&](auto& data) { data.allWindowsActive = allActive; });
}

void NativeWindow::handleWindowModal(bool modal) {
    update([&](auto& data) { data.modal = modal; });
}

void NativeWindow::stopDownload() {
    update([](auto& data) { ++data.downloadsStopped; });
}

void NativeWindow::closeBrowser() {
    bool closing = false;
    update([&](auto& data) {
        closing = data.browser && !data.browserClosed;
        if (closing) data.browserClosed = true;
    });
    // A window without a browser, or one already closed, has nothing to close.
    if (closing) report([](Sink& sink) { sink.OnBeforeClose(); });
}

void NativeWindow::enablePopUpWindow() {
    update([](auto& data) { data.popUpWindowsEnabled = true; });
}

void NativeWindow::getPositionForTarnel() {
    const CefRect rect = getPosition();
    report([rect](Sink& sink) { sink.getPositionEvent(rect.x, rect.y, rect.width, rect.height); });
}

void NativeWindow::getOuterPositionForTarnel() {
    const CefRect rect = getOuterPosition();
    report([rect](Sink& sink) { sink.getOuterPositionEvent(rect.x, rect.y, rect.width, rect.height); });
}

void NativeWindow::getScreenshot() {
    const CefRect rect = getPosition();
    std::string picture = veltranelib::detail::plainPicture(rect.width, rect.height);
    report([picture = std::move(picture), rect](Sink& sink) { sink.screenshotEvent(picture, rect.width, rect.height); });
}
