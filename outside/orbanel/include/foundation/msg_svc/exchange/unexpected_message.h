#pragma once

#include <stdexcept>
#include <typeinfo>

#include <boost/shared_ptr.hpp>

#include "foundation/msg_svc/exchange/message.h"

namespace foundation::msg_svc::exchange {

// A queue was handed a message of an interface it does not serve.
class UnexpectedMessage : public std::runtime_error {
public:
    UnexpectedMessage(const std::type_info& expected, const boost::shared_ptr<const Message>& message);

    const boost::shared_ptr<const Message>& message() const { return message_; }

private:
    boost::shared_ptr<const Message> message_;
};

}  // namespace foundation::msg_svc::exchange
