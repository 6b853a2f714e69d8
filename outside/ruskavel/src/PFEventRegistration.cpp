#include "pf/event/PFEventRegistration.h"

namespace pf::event {

PFEventRegistration::PFEventRegistration(std::unique_ptr<PFSignalConnection> connection)
    : connection_(std::move(connection)) {}

PFEventRegistration::~PFEventRegistration() = default;

void PFEventRegistration::unregister() {
    if (connection_) connection_->disconnect();
}

}  // namespace pf::event
