#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "EditorServices/PastrelExport.h"
#include "connector/message_service/JsonMessage.h"
#include "foundation/json/value.h"
#include "pf/clipboard/PFClipboardTypes.h"
#include "pf/event/PFEventRegistration.h"
#include "pf/event/PFEventTypes.h"

namespace EditorServices {

// Clipboard back-end of the web editor: JSON requests in, JSON replies out. The service component
// reads the service and channel names straight from the instance, so the member order is fixed.
class PASTREL_EXPORT Pastrel {
public:
    using JsonMap = std::map<std::string, foundation::json::Value>;
    using FlavorList = std::vector<foundation::json::Value>;
    // (reply text, the request's "uid" or empty)
    using ReplyCallback = std::function<void(std::string, std::string)>;
    using NotifyCallback = std::function<void(std::string)>;
    using JsonMessage = connector::message_service::JsonMessage;
    using Mode = pf::clipboard::PFClipboardMode;

    Pastrel();
    // Stops change notifications before anything else is released.
    ~Pastrel();
    Pastrel(const Pastrel&) = delete;
    Pastrel& operator=(const Pastrel&) = delete;

    // The request's members, with "success" set to whether the text parsed.
    JsonMap convertMessageToJson(const JsonMessage& message);

    JsonMap handleSetClipboardDataRequest(JsonMap request, const Mode& mode);
    void handleSetClipboardDataRequest(const JsonMessage& message, const Mode& mode, const ReplyCallback& reply);
    JsonMap handleGetClipboardDataRequest(JsonMap request, const Mode& mode);
    void handleGetClipboardDataRequest(const JsonMessage& message, const Mode& mode, const ReplyCallback& reply);
    JsonMap handleRequestForAvailableDataFlavors(JsonMap request);
    void handleRequestForAvailableDataFlavors(const JsonMessage& message, const ReplyCallback& reply);
    JsonMap handleRequestForClipboardChangeSubscription(JsonMap request, const NotifyCallback& notify);
    void handleRequestForClipboardChangeSubscription(const JsonMessage& message, const NotifyCallback& notify,
                                                     const ReplyCallback& reply);

    // Puts the items ({"flavor", "content"[, "mode"]}) on the clipboard at once; bad items are skipped.
    void addClipboardContents(const FlavorList& items, const Mode& mode);
    // Flavour to content, for the flavours that hold something.
    JsonMap getClipboardData(const FlavorList& flavors, const Mode& mode);

    std::string getClipboardContentPlainText(pf::clipboard::PFClipboardContent content);
    std::string getClipboardContentApplicationType(pf::clipboard::PFClipboardContent content);
    FlavorList getClipboardContentUriList(pf::clipboard::PFClipboardContent content);
    // The image as base64 text, empty when the content is not an image.
    std::string getClipboardContentImages(pf::clipboard::PFClipboardContent content);

    bool isTextType(std::string mimeType);
    bool isApplicationType(std::string mimeType);
    bool isGraphicsType(std::string mimeType);
    bool isTextUriList(std::string mimeType);

    const std::string mimeImagePng = "image/png";
    const std::string mimeJavaImage = "image/x-java-image";
    const std::string mimeTextPlain = "text/plain";
    const std::string mimeTextHtml = "text/html";
    const std::string mimeTextRtf = "text/rtf";
    const std::string mimeTextUriList = "text/uri-list";
    const std::string mimeTarnelJson = "application/tarnel_json";
    const std::string mimeTarnelJsonEquation = "application/tarnel_json_equation";
    const std::string mimeMathml = "application/mathml+xml";
    const std::string mimeMathmlPresentation = "application/mathml-presentation+xml";
    const std::string mimeQuillaneImageList = "application/quillane_internal_imagelist";
    const std::string mimeTextXml = "text/xml";
    const std::string javaDataFlavorTarnelJson = "JAVA_DATAFLAVOR:application/tarnel_json; class=java.lang.String";
    const FlavorList defaultFlavors{mimeTextPlain, mimeTextHtml, mimeTarnelJson, mimeMathmlPresentation, mimeImagePng};

    const std::string serviceName = "EditorClipboardService";
    const std::string setClipboardDataRequestChannel = "/v2/clipboardservice/setClipboardDataRequest";
    const std::string setClipboardDataResponseChannel = "/v2/clipboardservice/setClipboardDataResponse";
    const std::string setSelectionDataRequestChannel = "/v2/clipboardservice/setSelectionDataRequest";
    const std::string setSelectionDataResponseChannel = "/v2/clipboardservice/setSelectionDataResponse";
    const std::string getClipboardDataRequestChannel = "/v2/clipboardservice/getClipboardDataRequest";
    const std::string getClipboardDataResponseChannel = "/v2/clipboardservice/getClipboardDataResponse";
    const std::string getSelectionDataRequestChannel = "/v2/clipboardservice/getSelectionDataRequest";
    const std::string getSelectionDataResponseChannel = "/v2/clipboardservice/getSelectionDataResponse";
    const std::string availableDataFlavorsRequestChannel = "/v2/clipboardservice/requestAvailableDataFlavors";
    const std::string availableDataFlavorsResponseChannel = "/v2/clipboardservice/sendAvailableDataFlavors";
    const std::string clipboardChangeChannel = "/v2/clipboardservice/clipboardChange";
    const std::string clipboardChangeSubscriptionRequestChannel = "/v2/clipboardservice/reqRegisterClipboardChange";
    const std::string clipboardChangeSubscriptionResponseChannel =
        "/v2/clipboardservice/responseRegisterClipboardChange";

    const std::string keyRtcId = "rtcId";
    const std::string keyContentType = "contentType";
    const std::string keyFilePath = "filePath";
    const std::string keyEncoding = "encoding";
    const std::string keyRequestId = "requestId";
    const std::string keyResponseId = "responseId";
    const std::string keyUid = "uid";
    const std::string keyContents = "contents";
    const std::string keyFlavors = "flavors";
    const std::string keyContent = "content";
    const std::string keyFlavor = "flavor";
    const std::string keySuccess = "success";

    const std::string documentAllSuffix = ";document=all";
    const std::string dataUrlPrefix = "data:";
    const std::string imagePrefix = "image/";
    const std::string channelSeparator = "/";
    const std::string mimeQtInternalImage = "application/qt_internal_image";
    const std::string applicationPrefix = "application/";
    const std::string textPrefix = "text/";
    const std::string pngDataUrlPrefix = "data:image/png;base64,";
    const std::string actionCopy = "copy";
    const std::string actionMove = "move";
    const std::string keyMode = "mode";

    const char16_t zeroWidthSpace = u'\u200B';
    const std::int32_t nonCharacter = 0xFFFE;

private:
    std::unique_ptr<pf::event::PFEventRegistration> registerClipboardChangeListener(
        const pf::event::PFEventComponent& component, const pf::event::PFServiceType& serviceType,
        pf::event::PFEventKind kind, std::function<void()> callback);
    void onClipboardChanged(const NotifyCallback& notify);
    // The request's "uid" as text; empty (and logged under the handler's name) when it is not one.
    std::string requestUid(JsonMap& request, const char* handlerName);
    void replyWith(const JsonMap& reply, JsonMap& request, const char* handlerName, const ReplyCallback& callback);

    std::unique_ptr<pf::event::PFEventRegistration> changeRegistration;
    FlavorList cachedFlavors;
    std::atomic<bool> changeSubscribed{false};
    // The change callback runs on the event thread, the handlers on the delivery thread.
    std::mutex cachedFlavorsMutex;
    std::mutex registrationMutex;
};

}  // namespace EditorServices
