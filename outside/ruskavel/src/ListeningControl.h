#pragma once

#include "pf/event/ruskavel_export.h"

namespace pf::event::detail {

// While set, starting a listener fails as a refusing platform would.
RUSKAVEL_EXPORT void setListeningFails(bool fails);

}  // namespace pf::event::detail
