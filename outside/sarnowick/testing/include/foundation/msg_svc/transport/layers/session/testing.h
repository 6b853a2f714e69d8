#pragma once

#include <string>

#include <boost/shared_ptr.hpp>

#include "foundation/msg_svc/transport/layers/session/session.h"

namespace foundation::msg_svc::transport::layers::session::testing {

// A session attached to a client of the given exchange name, without any transport.
boost::shared_ptr<Session> makeAttachedSession(std::string partnerName);

// A client session that routes through the given exchange instead of the process-wide one, so that
// one process can hold both ends.
boost::shared_ptr<Session> makeSession(boost::shared_ptr<io::IOServiceThreadpool> threadPool,
                                       boost::shared_ptr<exchange::DefaultExchange> exchange);

}  // namespace foundation::msg_svc::transport::layers::session::testing
