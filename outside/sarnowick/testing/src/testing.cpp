#include "foundation/msg_svc/transport/layers/session/testing.h"

#include "foundation/msg_svc/exchange/default_exchange.h"

namespace foundation::msg_svc::transport::layers::session::testing {

boost::shared_ptr<Session> makeAttachedSession(std::string partnerName) {
    boost::shared_ptr<Session> session(new Session());
    session->setPartnerName(std::move(partnerName));
    return session;
}

boost::shared_ptr<Session> makeSession(boost::shared_ptr<io::IOServiceThreadpool> threadPool,
                                       boost::shared_ptr<exchange::DefaultExchange> exchange) {
    return boost::shared_ptr<Session>(new Session(std::move(threadPool), exchange, exchange->localName()));
}

}  // namespace foundation::msg_svc::transport::layers::session::testing
