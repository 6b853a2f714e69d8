#include "engine_page.h"

#include <QSslCertificate>
#include <QWebEngineCertificateError>

#include "page_window.h"

namespace veltranelib {

EnginePage::EnginePage(QWebEngineProfile* profile, QObject* parent) : QWebEnginePage(profile, parent) {
    connect(this, &QWebEnginePage::geometryChangeRequested, this,
            [this](const QRect& geometry) { requestedGeometry_ = geometry; });
}

PageWindow* EnginePage::shownIn() const { return dynamic_cast<PageWindow*>(view()); }

QWebEnginePage* EnginePage::createWindow(WebWindowType /*type*/) {
    PageWindow* opener = shownIn();
    if (!opener) return nullptr;
    // The opener holds the pop-up's page until a window takes it.
    auto* popUp = new EnginePage(profile(), opener);
    popUp->opener_ = opener;
    return popUp;
}

bool EnginePage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) {
    if (opener_ && isMainFrame) {
        const QPointer<PageWindow> opener = opener_;
        opener_ = nullptr;
        // The window that shows this page starts now; when none does, the page goes.
        // The size and place the opener asked for arrive before the pop-up's first navigation.
        if (!opener->openPopUp(this, url.toString().toStdString(), requestedGeometry_)) {
            deleteLater();
            return false;
        }
    }
    return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
}

bool EnginePage::certificateError(const QWebEngineCertificateError& error) {
    PageWindow* window = shownIn();
    const QList<QSslCertificate> chain = error.certificateChain();
    if (!window || chain.isEmpty()) return false;
    return window->allowsCertificate(chain.first().toPem().toStdString());
}

void EnginePage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& message, int,
                                          const QString&) {
    if (PageWindow* window = shownIn()) window->framesDrawn(message);
}

}  // namespace veltranelib
