#pragma once

#include <string>

#include "cef/logging.h"

namespace cef::logging::detail {

// Where finished records go: standard error, or the active capture.
void write(LogSeverity severity, const std::string& line, const std::string& message);

// Routes records to the capture, or back to standard error when given null.
class CaptureTarget {
public:
    virtual ~CaptureTarget() = default;
    virtual void add(LogSeverity severity, const std::string& message) = 0;
};
void setCapture(CaptureTarget* capture);

}  // namespace cef::logging::detail
