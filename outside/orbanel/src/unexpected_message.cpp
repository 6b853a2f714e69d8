#include "foundation/msg_svc/exchange/unexpected_message.h"

#include <string>

#include <boost/core/demangle.hpp>

namespace foundation::msg_svc::exchange {
namespace {

std::string describe(const std::type_info& expected, const Message* message) {
    std::string text = "unexpected message: expected " + boost::core::demangle(expected.name()) + ", got ";
    text += message ? boost::core::demangle(typeid(*message).name()) : std::string("no message");
    return text;
}

}  // namespace

UnexpectedMessage::UnexpectedMessage(const std::type_info& expected, const boost::shared_ptr<const Message>& message)
    : std::runtime_error(describe(expected, message.get())), message_(message) {}

}  // namespace foundation::msg_svc::exchange
