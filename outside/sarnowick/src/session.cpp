#include "foundation/msg_svc/transport/layers/session/session.h"

#include <stdexcept>

namespace foundation::msg_svc::transport::layers::session {

Session::Session() = default;
Session::~Session() = default;

std::string Session::partnerName() const {
    std::lock_guard lock(mutex_);
    if (!partnerName_) throw std::runtime_error("the session is not attached to a client");
    return *partnerName_;
}

void Session::setPartnerName(std::string partnerName) {
    std::lock_guard lock(mutex_);
    partnerName_ = std::move(partnerName);
}

}  // namespace foundation::msg_svc::transport::layers::session
