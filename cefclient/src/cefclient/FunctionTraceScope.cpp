#include "cefclient/FunctionTraceScope.h"

#include <exception>

#include "cefclient/LogStyle.h"

FunctionTraceScope::FunctionTraceScope(foundation::log::diagnostic_logger& logger, const char* signature,
                                       const char* /*file*/, int /*line*/)
    : logger_(logger),
      enabled_(logger.is_enabled(veltrane_log::kScopeEntry)),
      signature_(signature),
      uncaughtAtEntry_(std::uncaught_exceptions()) {
    if (!enabled_) return;
    FOUNDATION_LOG(logger_, veltrane_log::kScopeEntry) << signature_;
    logger_.indent().increase();
}

FunctionTraceScope::~FunctionTraceScope() {
    if (!enabled_) return;
    logger_.indent().decrease();
    const bool unwinding = std::uncaught_exceptions() > uncaughtAtEntry_;
    FOUNDATION_LOG(logger_, veltrane_log::kScopeExit) << signature_ << (unwinding ? " [throw]" : "");
}
