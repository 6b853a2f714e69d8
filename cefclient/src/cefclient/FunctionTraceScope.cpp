#include "cefclient/FunctionTraceScope.h"

void FunctionTraceScope::enter() {
    FOUNDATION_LOG(logger_, veltrane_log::kScopeEntry) << signature_;
    logger_.indent().increase();
}

void FunctionTraceScope::leave() {
    logger_.indent().decrease();
    const bool unwinding = std::uncaught_exceptions() > uncaughtAtEntry_;
    FOUNDATION_LOG(logger_, veltrane_log::kScopeExit) << signature_ << (unwinding ? " [throw]" : "");
}
