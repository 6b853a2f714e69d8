#pragma once

#include "foundation/log/diagnostic_logger.h"

// Records entry to and exit from a function and indents the records in between.
class FunctionTraceScope {
public:
    FunctionTraceScope(foundation::log::diagnostic_logger& logger, const char* signature, const char* file,
                       int line);
    ~FunctionTraceScope();
    FunctionTraceScope(const FunctionTraceScope&) = delete;
    FunctionTraceScope& operator=(const FunctionTraceScope&) = delete;

private:
    foundation::log::diagnostic_logger& logger_;
    const bool enabled_;
    const char* const signature_;
    // Exceptions in flight at entry, so that unwinding through this scope can be told apart.
    const int uncaughtAtEntry_;
};

#define VELTRANE_TRACE_SCOPE(logger) \
    FunctionTraceScope functionTraceScope_((logger), __PRETTY_FUNCTION__, __FILE__, __LINE__)
