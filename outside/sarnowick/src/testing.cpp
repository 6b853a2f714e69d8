#include "foundation/msg_svc/transport/layers/session/testing.h"

namespace foundation::msg_svc::transport::layers::session::testing {

boost::shared_ptr<Session> makeAttachedSession(std::string partnerName) {
    boost::shared_ptr<Session> session(new Session());
    session->setPartnerName(std::move(partnerName));
    return session;
}

}  // namespace foundation::msg_svc::transport::layers::session::testing
