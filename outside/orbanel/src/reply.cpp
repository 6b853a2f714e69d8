#include "foundation/msg_svc/exchange/reply.h"

#include <boost/make_shared.hpp>

namespace foundation::msg_svc::exchange {

boost::shared_ptr<const Reply> Reply::defaultReply() {
    static const boost::shared_ptr<const Reply> reply = boost::make_shared<const Reply>();
    return reply;
}

}  // namespace foundation::msg_svc::exchange
