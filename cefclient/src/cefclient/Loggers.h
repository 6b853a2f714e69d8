#pragma once

#include "foundation/log/diagnostic_logger.h"

// The browser host's loggers, one per channel, shared by the source files of that channel.
namespace veltrane_log {

foundation::log::diagnostic_logger& browserServiceLogger();
foundation::log::diagnostic_logger& bridgeLogger();
foundation::log::diagnostic_logger& windowEventHandlerLogger();
foundation::log::diagnostic_logger& windowManagerLogger();
foundation::log::diagnostic_logger& modalityLogger();
foundation::log::diagnostic_logger& startupLogger();

}  // namespace veltrane_log
