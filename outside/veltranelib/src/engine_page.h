#pragma once

#include <QPointer>
#include <QRect>
#include <QWebEnginePage>

namespace veltranelib {

class PageWindow;

// A page as the windows want it: pop-ups it opens become windows of their own once their URL is known, server
// certificates the engine rejects load when the window's sink allows them, and console messages go to the window
// only.
class EnginePage : public QWebEnginePage {
public:
    EnginePage(QWebEngineProfile* profile, QObject* parent);

    // Where the page last asked its window to be; empty when it never asked.
    QRect requestedGeometry() const { return requestedGeometry_; }

protected:
    QWebEnginePage* createWindow(WebWindowType type) override;
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    bool certificateError(const QWebEngineCertificateError& error) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int lineNumber,
                                  const QString& sourceID) override;

private:
    PageWindow* shownIn() const;

    // Set while this page is a pop-up that no window shows yet.
    QPointer<PageWindow> opener_;
    QRect requestedGeometry_;
};

}  // namespace veltranelib
