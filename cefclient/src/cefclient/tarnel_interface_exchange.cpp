// Events reported to the host over the exchange: to the session partner first, then to every listening peer.
#include <stdexcept>

#include "cef/transport/cef_server_transport_api.h"
#include "cefclient/ExchangeEvents.h"
#include "cefclient/FunctionTraceScope.h"
#include "cefclient/LogStyle.h"
#include "cefclient/Loggers.h"
#include "cefclient/VeltraneExport.h"
#include "cefclient/tarnel_interface.h"
#include "cefexchange/cef_service_api.h"
#include "cefexchange/messages.h"
#include "foundation/msg_svc/transport/layers/session/session.h"

namespace client {
namespace {

// One destination's failure is logged and costs no other destination its message.
template <class Send>
void sendLoggingFailure(const void* address, Send send) {
    try {
        send();
    } catch (const std::exception& error) {
        FOUNDATION_LOG(veltrane_log::bridgeLogger(), veltrane_log::kError)
            << "Failed to send message" << address << "due to exception" << error.what();
    }
}

}  // namespace

template <class M>
void tarnel_interface::sendMessageUsingExchange(boost::shared_ptr<M> message) {
    using foundation::msg_svc::exchange::Address;
    const void* const address = message.get();
    VELTRANE_TRACE_SCOPE(veltrane_log::bridgeLogger());
    FOUNDATION_LOG(veltrane_log::bridgeLogger(), veltrane_log::kDebug) << veltrane_log::kv("message", address);
    if (!exchangeApi) return;
    boost::shared_ptr<foundation::msg_svc::transport::layers::session::Session> partnerSession;
    std::unordered_map<std::string, std::shared_ptr<cef::transport::CEFServerTransportAPI>> listeningPeers;
    {
        // A copy, so that peers joining or leaving during the sends do not disturb the walk.
        std::lock_guard lock(peersMutex);
        partnerSession = session;
        if (!peers.empty()) listeningPeers = peers;  // an empty map's copy would still allocate its buckets
    }
    sendLoggingFailure(address, [&] {
        if (!partnerSession) throw std::runtime_error("no session to the host");
        exchangeApi->send(message, Address(partnerSession->partnerName(), cefexchange::CEFServiceAPI::serviceName), {});
    });
    for (const auto& peer : listeningPeers) {
        sendLoggingFailure(address, [&] {
            exchangeApi->send(message, Address(peer.first, cefexchange::CEFServiceAPI::serviceName), {});
        });
    }
}

foundation::msg_svc::exchange::Address tarnel_interface::getPartnerAddress() {
    std::lock_guard lock(peersMutex);
    return foundation::msg_svc::exchange::Address(session ? session->partnerName() : std::string(),
                                                  cefexchange::CEFServiceAPI::serviceName);
}

void tarnel_interface::setExchangeSession(
    boost::shared_ptr<foundation::msg_svc::transport::layers::session::Session> partnerSession) {
    std::lock_guard lock(peersMutex);
    session = std::move(partnerSession);
}

std::string tarnel_interface::hostNameLocked() const {
    try {
        return session ? session->partnerName() : std::string();
    } catch (const std::runtime_error&) {
        return std::string();  // not attached yet
    }
}

void tarnel_interface::refusePeerUnderHostName(const std::shared_ptr<cef::transport::CEFServerTransportAPI>& peer) {
    FOUNDATION_LOG(veltrane_log::bridgeLogger(), veltrane_log::kError)
        << "Disconnected a peer that took the host's name" << veltrane_log::kv("name", peer ? peer->name() : "");
    if (peer) peer->close();
}

void tarnel_interface::addListeningPeer(const std::string& name,
                                        std::shared_ptr<cef::transport::CEFServerTransportAPI> peer) {
    {
        std::lock_guard lock(peersMutex);
        if (name != hostNameLocked()) {
            // The exchange takes a name only from a peer whose link is gone, so an entry under it is stale: the
            // newcomer must hear the events, even before the old one's leaving is reported.
            peers.insert_or_assign(name, std::move(peer));
            return;
        }
    }
    refusePeerUnderHostName(peer);
}

void tarnel_interface::disconnectPeerNamedLikeHost() {
    std::shared_ptr<cef::transport::CEFServerTransportAPI> impostor;
    {
        std::lock_guard lock(peersMutex);
        auto found = peers.find(hostNameLocked());
        if (found == peers.end()) return;
        impostor = std::move(found->second);
        peers.erase(found);
    }
    refusePeerUnderHostName(impostor);
}

void tarnel_interface::removeListeningPeer(const std::shared_ptr<cef::transport::CEFServerTransportAPI>& peer) {
    std::lock_guard lock(peersMutex);
    // A peer that took the name since keeps it.
    auto found = peers.find(peer->name());
    if (found != peers.end() && found->second == peer) peers.erase(found);
}

#define VELTRANE_EXCHANGE_SENDER(Message) \
    template VELTRANE_EXPORT void tarnel_interface::sendMessageUsingExchange<cefexchange::Message>( \
        boost::shared_ptr<cefexchange::Message>);
VELTRANE_EXCHANGE_EVENTS(VELTRANE_EXCHANGE_SENDER)

}  // namespace client
