#include <stdexcept>
#include <variant>

#include "EditorServices/JsonAccess.h"
#include "EditorServices/Pastrel.h"
#include "PastrelLogger.h"
#include "fl/i18n/conversion.h"
#include "pf/clipboard/clipboard.h"
#include "pf/graphics/PFGraphics.h"

namespace EditorServices {

using foundation::json::Value;
namespace clipboard = pf::clipboard;

namespace {

bool startsWith(const std::string& text, const std::string& prefix) { return text.starts_with(prefix); }

}  // namespace

void Pastrel::addClipboardContents(const FlavorList& items, const Mode& mode) {
    auto data = std::make_unique<clipboard::PFClipboardData>();
    for (const auto& itemValue : items) {
        std::string flavor;
        try {
            JsonMap item = get<JsonMap>(itemValue);
            flavor = get<std::string>(item[keyFlavor]);
            if (flavor == mimeQuillaneImageList) continue;
            if (flavor == mimeTextUriList) {
                const std::u16string mime = fl::i18n::to_ustring(flavor);
                std::string modeText;
                if (item.contains(keyMode)) modeText = get<std::string>(item[keyMode]);
                std::vector<fl::filesystem::basic_path> paths;
                for (const auto& path : get<FlavorList>(item[keyContent])) {
                    std::u16string text = fl::i18n::to_ustring(get<std::string>(path));
                    if (!text.empty()) text = fl::filesystem::detail::make_native_form(text);
                    paths.push_back(fl::filesystem::basic_path(text));
                }
                if (modeText == actionMove) data->setClipboardAction(clipboard::PFClipboardActionMove);
                data->addData(mime, paths);
                continue;
            }
            const std::string& content = get<std::string>(item[keyContent]);
            if (isApplicationType(flavor)) {
                const auto* bytes = reinterpret_cast<const std::byte*>(content.data());
                data->addData(fl::i18n::to_ustring(flavor), std::vector<std::byte>(bytes, bytes + content.size()));
            } else if (isGraphicsType(flavor)) {
                std::string base64 = content;
                if (startsWith(content, dataUrlPrefix + imagePrefix)) {
                    const auto comma = content.find(',');
                    if (comma == std::string::npos) throw std::invalid_argument("data URL without a comma");
                    base64 = content.substr(comma + 1);
                }
                data->addData(fl::i18n::to_ustring(mimeImagePng), pf::graphics::constructPFGraphicsFromBase64(base64));
            } else {
                data->addData(fl::i18n::to_ustring(flavor), fl::i18n::to_ustring(content));
            }
        } catch (const std::exception&) {
            PASTREL_LOG << "Exception caught for flavor :: " << flavor << "\n";
        }
    }
    clipboard::setClipboardData(std::move(data), mode);
}

Pastrel::JsonMap Pastrel::getClipboardData(const FlavorList& flavors, const Mode& mode) {
    JsonMap result;
    for (const auto& entry : flavors) {
        const auto* name = std::get_if<std::string>(&entry.storage());
        if (name == nullptr) {
            PASTREL_LOG << "Invalid JSON format sent for getClipboardData";
            continue;
        }
        clipboard::PFClipboardContent content;
        try {
            content = clipboard::getClipboardDataSync(fl::i18n::to_ustring(*name), mode);
        } catch (const std::exception&) {
            PASTREL_LOG << "getClipboardDataSync threw an exception for mime Type: " << *name;
            continue;
        }
        if (isTextUriList(*name)) {
            result[*name] = getClipboardContentUriList(std::move(content));
        } else if (isGraphicsType(*name)) {
            std::string base64 = getClipboardContentImages(std::move(content));
            if (!base64.empty()) {
                result[*name] = JsonMap{{"__type__", "image"}, {"__value__", pngDataUrlPrefix + base64}};
            }
        } else if (isTextType(*name) || isApplicationType(*name)) {
            std::string text = isTextType(*name) ? getClipboardContentPlainText(std::move(content))
                                                 : getClipboardContentApplicationType(std::move(content));
            if (!text.empty()) result[*name] = std::move(text);
        }
    }
    return result;
}

std::string Pastrel::getClipboardContentPlainText(clipboard::PFClipboardContent content) {
    const auto* text = std::get_if<std::u16string>(&content);
    return text ? fl::i18n::to_string(*text) : std::string();
}

std::string Pastrel::getClipboardContentApplicationType(clipboard::PFClipboardContent content) {
    const auto* bytes = std::get_if<std::vector<std::byte>>(&content);
    if (bytes == nullptr) return {};
    return std::string(reinterpret_cast<const char*>(bytes->data()), bytes->size());
}

Pastrel::FlavorList Pastrel::getClipboardContentUriList(clipboard::PFClipboardContent content) {
    FlavorList uris;
    if (const auto* paths = std::get_if<std::vector<fl::filesystem::basic_path>>(&content)) {
        for (const auto& path : *paths) uris.emplace_back(fl::i18n::to_string(path.native()));
    }
    return uris;
}

std::string Pastrel::getClipboardContentImages(clipboard::PFClipboardContent content) {
    const auto* graphics = std::get_if<std::shared_ptr<pf::graphics::PFGraphics>>(&content);
    if (graphics == nullptr || !*graphics) return {};
    try {
        pf::graphics::PFGraphicsBuffer buffer;
        (*graphics)->exportGraphics(buffer, pf::graphics::PFGraphicsExportBase64, 1,
                                    pf::graphics::PFGraphicsVectorExportData{});
        const auto& bytes = buffer.bytes();
        return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    } catch (const std::bad_variant_access& error) {
        PASTREL_LOG << error.what() << " [getClipboardContentImages] bad access violation\n";
    } catch (const std::exception& error) {
        // Any other export failure is the platform's too, and must not end the request.
        PASTREL_LOG << error.what() << " [getClipboardContentImages] export failed\n";
    }
    return {};
}

bool Pastrel::isTextType(std::string mimeType) { return startsWith(mimeType, textPrefix); }
bool Pastrel::isApplicationType(std::string mimeType) { return startsWith(mimeType, applicationPrefix); }
bool Pastrel::isGraphicsType(std::string mimeType) { return startsWith(mimeType, imagePrefix); }
bool Pastrel::isTextUriList(std::string mimeType) { return mimeType == mimeTextUriList; }

}  // namespace EditorServices
