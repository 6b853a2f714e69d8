#include "cef/transport/testing.h"

namespace cef::transport::testing {

boost::shared_ptr<CEFServerTransportSession> createSession(
    boost::shared_ptr<foundation::msg_svc::exchange::DefaultExchange> exchange) {
    return boost::shared_ptr<CEFServerTransportSession>(new CEFServerTransportSession(std::move(exchange)));
}

}  // namespace cef::transport::testing
