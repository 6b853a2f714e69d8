#pragma once

namespace pf::event::testing {

// While set, starting a listener throws std::runtime_error.
void setListeningFails(bool fails);

// Returns once every event raised before the call has been delivered.
void waitUntilDelivered();

}  // namespace pf::event::testing
