#include "EditorServices/ClipboardService.h"

#include <stdexcept>
#include <unordered_map>
#include <utility>

namespace EditorServices {
namespace {

using connector::message_service::Future;
using connector::message_service::JsonMessage;
using connector::message_service::MessageService;
using connector::message_service::PayloadBuffer;

constexpr pf::clipboard::PFClipboardMode clipboardMode = pf::clipboard::PFClipboardModeClipboard;
constexpr pf::clipboard::PFClipboardMode selectionMode = pf::clipboard::PFClipboardModeSelection;

template <class T>
T resolve(Future<T> future) {
    if (!future.valid()) throw std::runtime_error("Future state isn't valid!");
    return future.get();
}

}  // namespace

ClipboardService::ClipboardService(std::shared_ptr<connector::message_service::MessageServiceFactory> factory) {
    if (!factory) throw std::invalid_argument("ClipboardService needs a message service factory");
    backend = std::make_shared<Pastrel>();
    initializeMessageService(factory);
}

ClipboardService::~ClipboardService() = default;

void ClipboardService::initializeMessageService(
    const std::shared_ptr<connector::message_service::MessageServiceFactory>& factory) {
    std::unordered_map<std::string, std::string> options;
    client = resolve(factory->createMessageService(backend->serviceName, options));
    if (!client) throw std::runtime_error("the message service gave no client");

    auto modeHandler = [this](auto handle, const std::string& responseChannel, pf::clipboard::PFClipboardMode mode) {
        return [backend = backend, reply = replyOn(responseChannel), handle, mode](const JsonMessage& message) {
            ((*backend).*handle)(message, mode, reply);
        };
    };
    using ModeHandle = void (Pastrel::*)(const JsonMessage&, const Pastrel::Mode&, const Pastrel::ReplyCallback&);
    const ModeHandle set = &Pastrel::handleSetClipboardDataRequest;
    const ModeHandle get = &Pastrel::handleGetClipboardDataRequest;

    setClipboardDataSubscription = subscribe(backend->setClipboardDataRequestChannel,
                                             modeHandler(set, backend->setClipboardDataResponseChannel, clipboardMode));
    getClipboardDataSubscription = subscribe(backend->getClipboardDataRequestChannel,
                                             modeHandler(get, backend->getClipboardDataResponseChannel, clipboardMode));
    availableDataFlavorsSubscription =
        subscribe(backend->availableDataFlavorsRequestChannel,
                  [backend = backend, reply = replyOn(backend->availableDataFlavorsResponseChannel)](
                      const JsonMessage& message) { backend->handleRequestForAvailableDataFlavors(message, reply); });
    setSelectionDataSubscription = subscribe(backend->setSelectionDataRequestChannel,
                                             modeHandler(set, backend->setSelectionDataResponseChannel, selectionMode));
    getSelectionDataSubscription = subscribe(backend->getSelectionDataRequestChannel,
                                             modeHandler(get, backend->getSelectionDataResponseChannel, selectionMode));

    // The notifier ends up held by the back-end's change registration, so it must not own the
    // back-end: that cycle would keep both (and the registration) alive for ever.
    Pastrel::NotifyCallback notify = [client = client, channel = backend->clipboardChangeChannel](std::string text) {
        client->publish(channel, PayloadBuffer(text));
    };
    clipboardChangeSubscription = subscribe(
        backend->clipboardChangeSubscriptionRequestChannel,
        [backend = backend, notify, reply = replyOn(backend->clipboardChangeSubscriptionResponseChannel)](
            const JsonMessage& message) { backend->handleRequestForClipboardChangeSubscription(message, notify, reply); });
}

ClipboardService::Subscription ClipboardService::subscribe(const std::string& channel, MessageService::Handler handler) {
    return resolve(client->subscribe(channel, std::move(handler)));
}

ClipboardService::ReplyPublisher ClipboardService::replyOn(const std::string& responseChannel) const {
    return [client = client, backend = backend, responseChannel](std::string text, std::string uid) {
        std::string channel = responseChannel;
        if (!uid.empty()) channel += backend->channelSeparator + uid;
        client->publish(std::move(channel), PayloadBuffer(text));
    };
}

}  // namespace EditorServices
