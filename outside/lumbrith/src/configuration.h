#pragma once

#include <string>

#include "foundation/log/diagnostic_logger.h"

namespace foundation::log::detail {

// Mask for a channel from the environment:
//   LUMBRITH_LOG_MASK      mask of every channel (decimal, or hex with 0x)
//   LUMBRITH_LOG_CHANNELS  "channel=mask,channel=mask" overriding it per channel
severity_t configured_mask(const std::string& channel);

// Installs the one sink (standard error, or the file named by LUMBRITH_LOG_FILE) once per process.
void ensure_sink();

}  // namespace foundation::log::detail
