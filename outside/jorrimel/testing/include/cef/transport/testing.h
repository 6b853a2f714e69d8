#pragma once

#include <boost/shared_ptr.hpp>

#include "cef/transport/cef_server_transport_session.h"

namespace cef::transport::testing {

// A listening session on the given exchange instead of the process-wide one, so that one process can
// hold both ends.
boost::shared_ptr<CEFServerTransportSession> createSession(
    boost::shared_ptr<foundation::msg_svc::exchange::DefaultExchange> exchange);

}  // namespace cef::transport::testing
