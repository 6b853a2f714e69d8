#include "EditorServices/JsonAccess.h"
#include "EditorServices/Pastrel.h"
#include "PastrelLogger.h"
#include "pf/event/PFEventListener.h"
#include "pf/event/PFSignalLocator.h"

namespace EditorServices {

using foundation::json::Value;
namespace event = pf::event;

Pastrel::JsonMap Pastrel::handleRequestForClipboardChangeSubscription(JsonMap request, const NotifyCallback& notify) {
    changeSubscribed = true;
    std::string requestId;
    try {
        requestId = get<std::string>(request[keyRequestId]);
    } catch (const std::runtime_error&) {
        PASTREL_LOG << "[handleRequestForClipboardChangeSubscription] UID is empty";
    }
    std::function<void()> callback = [this, notify] { onClipboardChanged(notify); };
    bool registered = false;
    {
        // Later subscribers share the first one's registration; its notify callback keeps the changes.
        std::lock_guard lock(registrationMutex);
        if (!changeRegistration) {
            changeRegistration = registerClipboardChangeListener(event::PFEventComponentClipboard,
                                                                 event::PFServiceTypeClipboard,
                                                                 event::PFEventKindClipboardChanged, std::move(callback));
        }
        registered = changeRegistration != nullptr;
    }
    return {{keySuccess, registered ? "true" : "false"}, {keyResponseId, requestId}};
}

std::unique_ptr<event::PFEventRegistration> Pastrel::registerClipboardChangeListener(
    const event::PFEventComponent& component, const event::PFServiceType& serviceType, event::PFEventKind kind,
    std::function<void()> callback) {
    try {
        event::PFAbstractEventListenerFactory::getEventListenerManager(component)->startListening(serviceType, kind);
        auto& container = event::PFSignalLocator::Instance().locateSignals().at(serviceType);
        return std::make_unique<event::PFEventRegistration>(container->signal().connect(kind, std::move(callback)));
    } catch (const std::exception&) {
        return nullptr;
    }
}

// Runs on the platform's event thread, for every subscriber in turn: a failure here must not reach the others.
void Pastrel::onClipboardChanged(const NotifyCallback& notify) {
    try {
        notify(foundation::json::serialize(Value(handleRequestForAvailableDataFlavors({}))));
    } catch (...) {
        PASTREL_LOG << "[onClipboardChanged] notification failed: " << detail::currentExceptionText();
    }
}

}  // namespace EditorServices
