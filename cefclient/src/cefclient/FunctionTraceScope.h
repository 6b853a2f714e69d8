#pragma once

#include <exception>

#include "cefclient/LogStyle.h"
#include "foundation/log/diagnostic_logger.h"

// Records entry to and exit from a function and indents the records in between. With the scope severities
// masked out it costs a test of the mask.
class FunctionTraceScope {
public:
    FunctionTraceScope(foundation::log::diagnostic_logger& logger, const char* signature,
                       const char* /*file*/, int /*line*/)
        : logger_(logger),
          enabled_(logger.is_enabled(veltrane_log::kScopeEntry)),
          signature_(signature),
          uncaughtAtEntry_(enabled_ ? std::uncaught_exceptions() : 0) {
        if (enabled_) enter();
    }
    ~FunctionTraceScope() {
        if (enabled_) leave();
    }
    FunctionTraceScope(const FunctionTraceScope&) = delete;
    FunctionTraceScope& operator=(const FunctionTraceScope&) = delete;

private:
    void enter();
    void leave();

    foundation::log::diagnostic_logger& logger_;
    const bool enabled_;
    const char* const signature_;
    // Exceptions in flight at entry, so that unwinding through this scope can be told apart.
    const int uncaughtAtEntry_;
};

#define VELTRANE_TRACE_SCOPE(logger) \
    FunctionTraceScope functionTraceScope_((logger), __PRETTY_FUNCTION__, __FILE__, __LINE__)
