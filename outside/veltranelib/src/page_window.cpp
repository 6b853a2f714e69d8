#include "page_window.h"

#include <cmath>
#include <cstring>
#include <fstream>

#include <QAuthenticator>
#include <QBuffer>
#include <QCloseEvent>
#include <QDropEvent>
#include <QJsonDocument>
#include <QMimeData>
#include <QSslCertificate>
#include <QTimer>
#include <QVariantMap>
#include <QWebEngineCertificateError>
#include <QWebEngineDownloadItem>
#include <QWebEngineProfile>
#include <QWebEngineScript>

#include "engine_page.h"

namespace veltranelib {
namespace {

constexpr char kNoPageWindow[] = "The page is gone";
constexpr char kFramesDrawn[] = "veltrane:frames-drawn:";
constexpr int kFrameWait = 1000;  // milliseconds
// One zoom step scales the page by a fifth.
constexpr double kZoomStep = 1.2;
// The engine's range of zoom factors.
constexpr double kSmallestZoom = 0.25;
constexpr double kLargestZoom = 5.0;

QString toQString(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<int>(text.size())); }

std::string toStd(const QString& text) { return text.toStdString(); }

// Runs the script as a top-level script and answers {ok, text}: the result as text (strings as they are, other
// values as JSON), or the exception's text. A page whose security policy forbids that answers {blocked} without
// running the script.
QString wrapScript(const std::string& script) {
    const QString source = QString::fromUtf8(QJsonDocument::fromVariant(QVariantList{toQString(script)}).toJson(
        QJsonDocument::Compact));
    return QStringLiteral(
               "(function(){try{(0,eval)('0');}catch(e){return{blocked:true};}"
               "var r;try{r=(0,eval)(%1[0]);}catch(e){return{ok:false,text:String(e)};}"
               "if(typeof r==='string')return{ok:true,text:r};if(r===undefined)return{ok:true,text:'undefined'};"
               "try{var j=JSON.stringify(r);return{ok:true,text:j===undefined?String(r):j};}"
               "catch(e){return{ok:true,text:String(r)};}})()")
        .arg(source);
}

// A script's value as the engine hands it over, as text in the same form; an exception arrives as undefined.
std::string valueText(const QVariant& value) {
    if (!value.isValid() || value.isNull()) return value.isValid() ? "null" : "undefined";
    if (value.type() == QVariant::String) return toStd(value.toString());
    const QByteArray list = QJsonDocument::fromVariant(QVariantList{value}).toJson(QJsonDocument::Compact);
    return list.mid(1, list.size() - 2).toStdString();
}

bool writeFile(const std::string& path, const QByteArray& content) {
    if (path.empty() || content.isEmpty()) return false;
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(content.constData(), content.size());
    file.close();
    return !file.fail();
}

const char* downloadStatus(QWebEngineDownloadItem::DownloadState state) {
    switch (state) {
        case QWebEngineDownloadItem::DownloadCompleted:
            return "completed";
        case QWebEngineDownloadItem::DownloadCancelled:
            return "cancelled";
        case QWebEngineDownloadItem::DownloadInterrupted:
            return "interrupted";
        default:
            return "started";
    }
}

int sizeLimit(int value) { return value > 0 ? value : QWIDGETSIZE_MAX; }

}  // namespace

PageWindow::PageWindow(scoped_refptr<NativeWindow> window, QWebEnginePage* page) : window_(std::move(window)) {
    if (!page) page = new EnginePage(QWebEngineProfile::defaultProfile(), this);
    page->setParent(this);
    setPage(page);
    setAcceptDrops(true);
    connectPage();
}

PageWindow::~PageWindow() {
    if (window_) window_->pageClosed(this);
}

scoped_refptr<window_notifier::IVeltraneInterface> PageWindow::sink() const {
    return window_ ? window_->getEventNotifier() : nullptr;
}

void PageWindow::connectPage() {
    QWebEnginePage* shown = page();
    connect(shown, &QWebEnginePage::loadStarted, this, [this] {
        if (auto events = sink()) events->loadStartEvent();
    });
    connect(shown, &QWebEnginePage::loadFinished, this, [this](bool) {
        if (!window_) return;
        const std::string url = currentURL();
        window_->pageLoaded(url);
        if (auto events = sink()) events->loadFinishedEvent("", url);
    });
    connect(shown, &QWebEnginePage::titleChanged, this, [this](const QString& title) {
        if (!window_) return;
        const std::string text = toStd(title);
        auto events = sink();
        if (!events) return;
        events->titleEvent(text);
        events->setWindowTitle(text, window_->userTitle());
    });
    connect(shown, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int) {
                if (auto events = sink()) events->processExitEvent(static_cast<int>(status));
            });
    connect(shown, &QWebEnginePage::proxyAuthenticationRequired, this,
            [this](const QUrl&, QAuthenticator* authenticator, const QString& proxyHost) {
                auto events = sink();
                if (!events) return;
                const auto [user, password] = events->getProxyCredentials();
                // A null answer cancels the request: without a user name, and when the proxy turned these down.
                const std::string tried = toStd(proxyHost) + '\n' + user + '\n' + password;
                if (user.empty() || !proxyCredentialsTried_.insert(tried).second) {
                    *authenticator = QAuthenticator();
                    return;
                }
                authenticator->setUser(toQString(user));
                authenticator->setPassword(toQString(password));
            });
    connect(shown, &QWebEnginePage::geometryChangeRequested, this, [this](const QRect& geometry) {
        if (auto events = sink()) {
            events->notifySetPositionFromJavaScript(
                CefRect(geometry.x(), geometry.y(), geometry.width(), geometry.height()));
        }
    });
    connect(shown, &QWebEnginePage::windowCloseRequested, this, [this] { requestClose(); });
}

bool PageWindow::openPopUp(QWebEnginePage* popUp, const std::string& url, const QRect& requestedGeometry) {
    const scoped_refptr<NativeWindow> window = window_;
    if (!window) return false;
    CefPopupFeatures features;
    if (!requestedGeometry.isNull()) {
        features.x = requestedGeometry.x();
        features.y = requestedGeometry.y();
        features.xSet = features.ySet = 1;
        features.width = requestedGeometry.width();
        features.height = requestedGeometry.height();
        features.widthSet = features.width > 0 ? 1 : 0;
        features.heightSet = features.height > 0 ? 1 : 0;
    }
    return window->openPopUp(popUp, url, features);
}

bool PageWindow::allowsCertificate(const std::string& pem) {
    auto events = sink();
    return events && events->isCertificateAllowed(pem);
}

void PageWindow::place(const CefRect& rect, bool visible) {
    if (rect.width > 0 && rect.height > 0) {
        setGeometry(rect.x, rect.y, rect.width, rect.height);
    } else {
        move(rect.x, rect.y);
    }
    setVisible(visible);
}

void PageWindow::load(const std::string& url) { setUrl(QUrl(toQString(url))); }

std::string PageWindow::currentURL() const {
    const QUrl requested = page()->requestedUrl();
    const QUrl shown = page()->url();
    return toStd((shown.isEmpty() ? requested : shown).toString());
}

void PageWindow::runScript(const std::string& script) {
    QPointer<PageWindow> self(this);
    page()->runJavaScript(wrapScript(script), [self, script](const QVariant& result) {
        if (!self) return;
        auto events = self->sink();
        if (!events) return;
        const QVariantMap answer = result.toMap();
        if (answer.value("blocked").toBool()) {
            self->runScriptAsItIs(script);
        } else if (answer.isEmpty()) {
            events->javascriptResultEvent(true, kNoPageWindow);
        } else {
            events->javascriptResultEvent(!answer.value("ok").toBool(), toStd(answer.value("text").toString()));
        }
    });
}

void PageWindow::runScriptAsItIs(const std::string& script) {
    QPointer<PageWindow> self(this);
    page()->runJavaScript(toQString(script), [self](const QVariant& result) {
        if (!self) return;
        if (auto events = self->sink()) events->javascriptResultEvent(false, valueText(result));
    });
}

void PageWindow::printToPDF(const std::string& path) {
    if (path.empty()) {
        if (auto events = sink()) events->printToPDFEvent(false);
        return;
    }
    QPointer<PageWindow> self(this);
    page()->printToPdf([self, path](const QByteArray& document) {
        const bool written = writeFile(path, document);
        if (!self) return;
        if (auto events = self->sink()) events->printToPDFEvent(written);
    });
}

void PageWindow::takeScreenshot() {
    const int request = ++lastScreenshot_;
    screenshotsWaiting_.insert(request);
    // A page that draws no frames (hidden, minimised) is grabbed as it is after a while.
    QTimer::singleShot(kFrameWait, this, [this, request] { finishScreenshot(request); });
    // In a world of its own, where the page's scripts cannot replace the console.
    page()->runJavaScript(QStringLiteral("requestAnimationFrame(function(){requestAnimationFrame(function(){"
                                         "console.log('%1%2');});});")
                              .arg(kFramesDrawn)
                              .arg(request),
                          QWebEngineScript::ApplicationWorld);
}

void PageWindow::framesDrawn(const QString& consoleMessage) {
    if (!consoleMessage.startsWith(kFramesDrawn)) return;
    bool isNumber = false;
    const int request = consoleMessage.mid(static_cast<int>(std::strlen(kFramesDrawn))).toInt(&isNumber);
    // The frames are drawn; the window shows them once the event loop has run.
    if (isNumber) QTimer::singleShot(0, this, [this, request] { finishScreenshot(request); });
}

void PageWindow::finishScreenshot(int request) {
    if (screenshotsWaiting_.erase(request) == 0) return;
    const QImage picture = grab().toImage();
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    if (auto events = sink()) events->screenshotEvent(std::string(png.constData(), png.size()), picture.width(),
                                                        picture.height());
}

void PageWindow::setZoomLevelSteps(int level) {
    setZoomFactor(std::clamp(std::pow(kZoomStep, level), kSmallestZoom, kLargestZoom));
}

void PageWindow::setSizeLimits(const CefSize& minimum, const CefSize& maximum, bool resizable) {
    if (!resizable) {
        setFixedSize(size());
        return;
    }
    setMinimumSize(std::max(0, minimum.width), std::max(0, minimum.height));
    setMaximumSize(sizeLimit(maximum.width), sizeLimit(maximum.height));
}

void PageWindow::setStaysOnTop(bool onTop) {
    const bool shown = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    // Changing the flags hides a window.
    if (shown) show();
}

void PageWindow::acceptFileDrops(bool accept) { fileDropsAccepted_ = accept; }

void PageWindow::stopDownloads() {
    for (const auto& download : downloads_) {
        if (download && !download->isFinished()) download->cancel();
    }
}

void PageWindow::dismiss() {
    window_ = nullptr;
    hide();
    page()->disconnect(this);
    deleteLater();
}

void PageWindow::startDownload(QWebEngineDownloadItem* download) {
    auto* owner = download->page() ? dynamic_cast<PageWindow*>(download->page()->view()) : nullptr;
    if (!owner || !owner->window_) {
        download->cancel();
        return;
    }
    const std::string folder = owner->window_->downloadFolder();
    if (!folder.empty()) download->setDownloadDirectory(toQString(folder));
    owner->downloads_.erase(std::remove(owner->downloads_.begin(), owner->downloads_.end(), nullptr),
                            owner->downloads_.end());
    owner->downloads_.emplace_back(download);
    connect(download, &QWebEngineDownloadItem::finished, owner, [owner, download] { owner->reportDownload(download); });
    download->accept();
    owner->reportDownload(download);
}

void PageWindow::reportDownload(QWebEngineDownloadItem* download) {
    const QString path = download->downloadDirectory() + '/' + download->downloadFileName();
    if (auto events = sink()) events->downloadEvent(downloadStatus(download->state()), toStd(path));
}

void PageWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    requestClose();
}

void PageWindow::requestClose() {
    // The user's close goes to the sink, which decides; closing lets the window go.
    const scoped_refptr<NativeWindow> window = window_;
    if (window) window->requestClose();
}

void PageWindow::changeEvent(QEvent* event) {
    QWebEngineView::changeEvent(event);
    if (event->type() != QEvent::ActivationChange) return;
    if (auto events = sink()) events->focusEvent(isActiveWindow());
}

void PageWindow::dragEnterEvent(QDragEnterEvent* event) { dragMoveEvent(event); }

void PageWindow::dragMoveEvent(QDragMoveEvent* event) {
    if (fileDropsAccepted_ && event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void PageWindow::dropEvent(QDropEvent* event) {
    if (!fileDropsAccepted_ || !event->mimeData()->hasUrls()) {
        event->ignore();
        return;
    }
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) paths.push_back(toStd(url.toLocalFile()));
    }
    event->acceptProposedAction();
    if (auto events = sink()) events->notifyDragDropEvent(paths);
}

}  // namespace veltranelib
