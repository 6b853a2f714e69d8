#include "DesktopMimeData.h"

#include <QBuffer>
#include <QImage>
#include <QMimeData>
#include <QTextCodec>
#include <QUrl>
#include <limits>
#include <stdexcept>

#include "GraphicsBytes.h"

namespace pf::clipboard::detail {
namespace {

const QString uriListType = QStringLiteral("text/uri-list");
const QString pngType = QStringLiteral("image/png");
// Qt's own name for "any image it can read", added to what other programs offer.
const QString qtImageType = QStringLiteral("application/x-qt-image");

QByteArray toQBytes(const std::vector<std::byte>& bytes) {
    if (bytes.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        throw std::length_error("clipboard content over 2 GiB");
    }
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()));
}

std::vector<std::byte> toBytes(const QByteArray& bytes) {
    const auto* first = reinterpret_cast<const std::byte*>(bytes.constData());
    return std::vector<std::byte>(first, first + bytes.size());
}

bool isPng(const QByteArray& bytes) { return bytes.startsWith("\x89PNG\r\n\x1a\n"); }

// The bytes as PNG when they are an image Qt reads in another format; otherwise unchanged.
QByteArray asPng(const QByteArray& bytes) {
    if (isPng(bytes)) return bytes;
    const QImage image = QImage::fromData(bytes);
    if (image.isNull()) return bytes;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    return image.save(&buffer, "PNG") ? png : bytes;
}

// One URI per path, each line ended by CR LF; absolute paths become file URLs, anything else stays as it is.
QByteArray uriList(const std::vector<fl::filesystem::basic_path>& paths) {
    QByteArray list;
    for (const auto& path : paths) {
        const QString text = QString::fromStdU16String(path.native());
        if (text.isEmpty()) continue;
        list += text.startsWith('/') ? QUrl::fromLocalFile(text).toEncoded() : text.toUtf8();
        list += "\r\n";
    }
    return list;
}

std::vector<fl::filesystem::basic_path> pathsOf(const QByteArray& list) {
    std::vector<fl::filesystem::basic_path> paths;
    for (const QByteArray& rawLine : list.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith('#')) continue;
        const QUrl url = QUrl::fromEncoded(line);
        const QString text = url.isLocalFile() ? url.toLocalFile() : QString::fromUtf8(line);
        paths.emplace_back(text.toStdU16String());
    }
    return paths;
}

QByteArray graphicsBytes(const std::shared_ptr<pf::graphics::PFGraphics>& graphics) {
    pf::graphics::PFGraphicsBuffer buffer;
    graphics->exportGraphics(buffer, pf::graphics::PFGraphicsExportRaw, 0, pf::graphics::PFGraphicsVectorExportData{});
    return toQBytes(buffer.bytes());
}

QString decodedText(const QByteArray& bytes, const QString& type) {
    QTextCodec* utf8 = QTextCodec::codecForName("UTF-8");
    QTextCodec* codec = type == QLatin1String("text/html") ? QTextCodec::codecForHtml(bytes, utf8)
                                                           : QTextCodec::codecForUtfText(bytes, utf8);
    return codec->toUnicode(bytes);
}

}  // namespace

std::unique_ptr<QMimeData> toMimeData(const PFClipboardData& data) {
    auto offered = std::make_unique<QMimeData>();
    for (const auto& mimeType : data.mimeTypes()) {
        const QString type = QString::fromStdU16String(mimeType);
        std::visit(
            [&](const auto& content) {
                using Content = std::decay_t<decltype(content)>;
                if constexpr (std::is_same_v<Content, std::u16string>) {
                    offered->setData(type, QString::fromStdU16String(content).toUtf8());
                } else if constexpr (std::is_same_v<Content, std::vector<fl::filesystem::basic_path>>) {
                    offered->setData(type, uriList(content));
                } else if constexpr (std::is_same_v<Content, std::shared_ptr<pf::graphics::PFGraphics>>) {
                    if (!content) return;
                    const QByteArray bytes = graphicsBytes(content);
                    offered->setData(type, type == pngType ? asPng(bytes) : bytes);
                } else if constexpr (std::is_same_v<Content, std::vector<std::byte>>) {
                    offered->setData(type, toQBytes(content));
                }
            },
            data.content(mimeType));
    }
    return offered;
}

PFClipboardContent contentOf(const QMimeData* offered, const std::u16string& mimeType) {
    const QString type = QString::fromStdU16String(mimeType);
    if (offered == nullptr || type == qtImageType || !offered->hasFormat(type)) return {};
    if (type == uriListType) return pathsOf(offered->data(type));
    if (type.startsWith(QLatin1String("image/"))) {
        const QByteArray bytes = asPng(offered->data(type));
        if (bytes.isEmpty()) return {};
        return std::shared_ptr<pf::graphics::PFGraphics>(pf::graphics::detail::graphicsFromBytes(toBytes(bytes)));
    }
    if (type == QLatin1String("text/plain")) return offered->text().toStdU16String();
    if (type.startsWith(QLatin1String("text/"))) return decodedText(offered->data(type), type).toStdU16String();
    return toBytes(offered->data(type));
}

std::vector<std::u16string> mimeTypesOf(const QMimeData* offered) {
    std::vector<std::u16string> types;
    if (offered == nullptr) return types;
    QStringList formats = offered->formats();
    formats.removeDuplicates();
    for (const QString& format : formats) {
        if (format.contains('/') && format != qtImageType) types.push_back(format.toStdU16String());
    }
    return types;
}

}  // namespace pf::clipboard::detail
