#include "EditorServices/Pastrel.h"

#include <stdexcept>

#include "EditorServices/JsonAccess.h"
#include "EditorServices/JsonParser.h"
#include "PastrelLogger.h"
#include "fl/i18n/conversion.h"
#include "pf/clipboard/clipboard.h"

namespace EditorServices {

using foundation::json::Value;

Pastrel::Pastrel() = default;

Pastrel::~Pastrel() {
    std::lock_guard lock(registrationMutex);
    if (changeRegistration) changeRegistration->unregister();
}

Pastrel::JsonMap Pastrel::convertMessageToJson(const JsonMessage& message) {
    JsonMap request;
    const std::string& text = message.payload();
    const char* position = text.data();
    bool parsed = false;
    try {
        parsed = parseJsonObject(request, position, text.data() + text.size(), false) == json_status::ok;
    } catch (const std::runtime_error&) {
        // A "zqtype" that is not a string: the request is as unreadable as bad text.
        request.clear();
    }
    if (!parsed) PASTREL_LOG << "JSON Parse Error";
    request[keySuccess] = parsed;
    return request;
}

std::string Pastrel::requestUid(JsonMap& request, const char* handlerName) {
    try {
        return get<std::string>(request[keyUid]);
    } catch (const std::runtime_error&) {
        PASTREL_LOG << "[" << handlerName << "] UID is empty";
        return {};
    }
}

void Pastrel::replyWith(const JsonMap& reply, JsonMap& request, const char* handlerName,
                        const ReplyCallback& callback) {
    std::string text = foundation::json::serialize(Value(reply));
    std::string uid = requestUid(request, handlerName);
    callback(std::move(text), std::move(uid));
}

void Pastrel::handleSetClipboardDataRequest(const JsonMessage& message, const Mode& mode, const ReplyCallback& reply) {
    JsonMap request = convertMessageToJson(message);
    replyWith(handleSetClipboardDataRequest(request, mode), request, "handleSetClipboardDataRequest", reply);
}

void Pastrel::handleGetClipboardDataRequest(const JsonMessage& message, const Mode& mode, const ReplyCallback& reply) {
    JsonMap request = convertMessageToJson(message);
    replyWith(handleGetClipboardDataRequest(request, mode), request, "handleGetClipboardDataRequest", reply);
}

void Pastrel::handleRequestForAvailableDataFlavors(const JsonMessage& message, const ReplyCallback& reply) {
    JsonMap request = convertMessageToJson(message);
    replyWith(handleRequestForAvailableDataFlavors(request), request, "handleRequestForAvailableDataFlavors", reply);
}

void Pastrel::handleRequestForClipboardChangeSubscription(const JsonMessage& message, const NotifyCallback& notify,
                                                          const ReplyCallback& reply) {
    JsonMap request = convertMessageToJson(message);
    replyWith(handleRequestForClipboardChangeSubscription(request, notify), request,
              "handleRequestForClipboardChangeSubscription", reply);
}

Pastrel::JsonMap Pastrel::handleSetClipboardDataRequest(JsonMap request, const Mode& mode) {
    bool success = static_cast<bool>(request[keySuccess]);
    std::string requestId;
    if (success) {
        try {
            requestId = get<std::string>(request[keyRequestId]);
            addClipboardContents(get<FlavorList>(request[keyContents]), mode);
        } catch (const std::exception&) {
            PASTREL_LOG << "[handleSetClipboardDataRequest] JSON message does not contain required fields";
            success = false;
        }
    }
    return {{keySuccess, success}, {keyResponseId, requestId}};
}

Pastrel::JsonMap Pastrel::handleGetClipboardDataRequest(JsonMap request, const Mode& mode) {
    bool success = static_cast<bool>(request[keySuccess]);
    std::string requestId;
    JsonMap contents;
    if (success) {
        FlavorList flavors;
        try {
            requestId = get<std::string>(request[keyRequestId]);
            flavors = get<FlavorList>(request[keyFlavors]);
        } catch (const std::exception&) {
            PASTREL_LOG << "[handleGetClipboardDataRequest] JSON message does not contain required fields";
            success = false;
        }
        if (flavors.empty()) {
            // No flavour named: everything the clipboard holds.
            success = true;
            if (changeSubscribed) {
                std::lock_guard lock(cachedFlavorsMutex);
                flavors = cachedFlavors;
            } else {
                try {
                    JsonMap available = handleRequestForAvailableDataFlavors({});
                    if (available[keySuccess] != Value(true)) throw std::runtime_error("no flavour list");
                    flavors = get<FlavorList>(available[keyFlavors]);
                } catch (const std::exception&) {
                    PASTREL_LOG << "[handleGetClipboardDataRequest] JSON message does not contain required fields "
                                   "from handleRequestForAvailableDataFlavors API";
                    flavors = defaultFlavors;
                }
            }
        }
        contents = getClipboardData(flavors, mode);
    }
    return {{keySuccess, success}, {keyContents, std::move(contents)}, {keyResponseId, requestId}};
}

Pastrel::JsonMap Pastrel::handleRequestForAvailableDataFlavors(JsonMap request) {
    std::string requestId;
    try {
        requestId = get<std::string>(request[keyRequestId]);
    } catch (const std::runtime_error&) {
        PASTREL_LOG << "[handleRequestForAvailableDataFlavors] JSON message does not contain required fields "
                       "'requestid'";
    }
    FlavorList flavors;
    bool listed = false;
    try {
        for (const auto& type : pf::clipboard::getAvailableMimeTypesSync(pf::clipboard::PFClipboardModeClipboard)) {
            flavors.emplace_back(fl::i18n::to_string(type));
        }
        listed = true;
    } catch (...) {
        PASTREL_LOG << "[handleRequestForAvailableDataFlavors] getAvailableMimeTypesSync threw an exception: "
                    << detail::currentExceptionText();
        flavors.clear();
    }
    if (listed && changeSubscribed) {
        std::lock_guard lock(cachedFlavorsMutex);
        cachedFlavors = flavors;
    }
    return {{keySuccess, listed}, {keyFlavors, std::move(flavors)}, {keyResponseId, requestId}};
}

}  // namespace EditorServices
