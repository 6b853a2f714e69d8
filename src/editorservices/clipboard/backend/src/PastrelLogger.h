#pragma once

#include <string>

#include "foundation/log/diagnostic_logger.h"

namespace EditorServices::detail {

// Every record of the back-end has this severity bit.
constexpr foundation::log::severity_t pastrelSeverity = 4;

// The channel "editor_services::Pastrel"; made at first use, so that its mask is read then.
foundation::log::diagnostic_logger& pastrelLogger();

// The what() text of the exception being handled, or "unknown exception" when it is not a std::exception.
std::string currentExceptionText();

}  // namespace EditorServices::detail

#define PASTREL_LOG FOUNDATION_LOG(::EditorServices::detail::pastrelLogger(), ::EditorServices::detail::pastrelSeverity)
