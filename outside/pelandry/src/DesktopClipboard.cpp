#include "DesktopClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <stdexcept>

#include "ChangeAnnouncer.h"
#include "DesktopMimeData.h"

namespace pf::clipboard::detail {
namespace {

QClipboard::Mode qtMode(PFClipboardMode mode) {
    switch (mode) {
        case PFClipboardModeClipboard: return QClipboard::Clipboard;
        case PFClipboardModeSelection: return QClipboard::Selection;
    }
    throw std::invalid_argument("unknown clipboard mode");
}

void announceChanges() {
    QObject::connect(QGuiApplication::clipboard(), &QClipboard::changed, [](QClipboard::Mode mode) {
        if (mode == QClipboard::Clipboard) ChangeAnnouncer::instance().announce(PFClipboardModeClipboard);
    });
}

}  // namespace

DesktopClipboard& DesktopClipboard::instance() {
    static DesktopClipboard clipboard;
    return clipboard;
}

DesktopClipboard::DesktopClipboard() : gui_(announceChanges) {}

void DesktopClipboard::replace(std::unique_ptr<PFClipboardData> data, PFClipboardMode mode) {
    const QClipboard::Mode qt = qtMode(mode);
    std::shared_ptr<const PFClipboardData> contents = data ? std::move(data) : std::make_unique<PFClipboardData>();
    gui_.call([contents, qt] { QGuiApplication::clipboard()->setMimeData(toMimeData(*contents).release(), qt); });
}

PFClipboardContent DesktopClipboard::read(const std::u16string& mimeType, PFClipboardMode mode) {
    const QClipboard::Mode qt = qtMode(mode);
    return gui_.call([mimeType, qt] { return contentOf(QGuiApplication::clipboard()->mimeData(qt), mimeType); });
}

std::vector<std::u16string> DesktopClipboard::mimeTypes(PFClipboardMode mode) {
    const QClipboard::Mode qt = qtMode(mode);
    return gui_.call([qt] { return mimeTypesOf(QGuiApplication::clipboard()->mimeData(qt)); });
}

void DesktopClipboard::watchChanges() { gui_.checkAvailable(); }

}  // namespace pf::clipboard::detail
