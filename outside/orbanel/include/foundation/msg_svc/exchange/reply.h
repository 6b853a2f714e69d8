#pragma once

#include <boost/shared_ptr.hpp>

namespace foundation::msg_svc::exchange {

// The answer to a delivered message.
class Reply {
public:
    virtual ~Reply() = default;
    // The plain acknowledgement; always the same object.
    static boost::shared_ptr<const Reply> defaultReply();
};

}  // namespace foundation::msg_svc::exchange
