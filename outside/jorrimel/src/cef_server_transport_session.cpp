#include "cef/transport/cef_server_transport_session.h"

#include <stdexcept>

#include <boost/make_shared.hpp>

#include "fl/i18n/conversion.h"
#include "foundation/msg_svc/exchange/exchange_api.h"

namespace cef::transport {

boost::shared_ptr<CEFServerTransportSession> CEFServerTransportSession::create() {
    return boost::shared_ptr<CEFServerTransportSession>(
        new CEFServerTransportSession(foundation::msg_svc::exchange::ExchangeApi::defaultInstance()));
}

CEFServerTransportSession::CEFServerTransportSession(
    boost::shared_ptr<foundation::msg_svc::exchange::DefaultExchange> exchange)
    : exchange_(std::move(exchange)),
      peersBudget_(std::make_shared<foundation::msg_svc::exchange::OutputBudget>(kMaxPeersPendingBytes)) {}

CEFServerTransportSession::~CEFServerTransportSession() { terminate(); }

void CEFServerTransportSession::init(boost::shared_ptr<foundation::io::IOServiceThreadpool> threadPool,
                                     const std::string& protocolName, const std::string& versionKey) {
    if (!threadPool) throw std::invalid_argument("a listening session needs an I/O thread pool");
    if (protocolName.empty() || versionKey.empty())
        throw std::invalid_argument("a listening session needs a protocol name and a version key");
    std::lock_guard lock(mutex_);
    threadPool_ = std::move(threadPool);
    local_ = foundation::msg_svc::exchange::HandshakeInfo{exchange_->localName(), protocolName, versionKey};
}

void CEFServerTransportSession::terminate() {
    std::vector<boost::shared_ptr<CEFServerTransportListener>> listeners;
    {
        std::lock_guard lock(mutex_);
        listeners.swap(listeners_);
    }
    for (const auto& listener : listeners) listener->close();
}

boost::shared_ptr<CEFServerTransportListener> CEFServerTransportSession::listen(
    const std::vector<std::u16string>& endpoints) {
    std::vector<std::string> paths;
    for (const auto& endpoint : endpoints) paths.push_back(fl::i18n::to_string(endpoint));
    std::lock_guard lock(mutex_);
    if (!local_) throw std::logic_error("the listening session is not initialised");
    const foundation::msg_svc::exchange::OutputLimits peerLimits{kMaxPeerPendingBytes, kMaxPeerPendingBytes, true,
                                                                 peersBudget_};
    auto listener = boost::make_shared<CEFServerTransportListener>(*threadPool_, exchange_, *local_, paths, peerLimits);
    listeners_.push_back(listener);
    return listener;
}

}  // namespace cef::transport
