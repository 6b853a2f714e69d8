#pragma once

#include <string>

#include <boost/shared_ptr.hpp>

#include "foundation/msg_svc/transport/layers/session/session.h"

namespace foundation::msg_svc::transport::layers::session::testing {

// A session attached to a client of the given exchange name, without any transport.
boost::shared_ptr<Session> makeAttachedSession(std::string partnerName);

}  // namespace foundation::msg_svc::transport::layers::session::testing
