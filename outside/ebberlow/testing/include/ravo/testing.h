#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "ravo/ApplicationInfo.h"
#include "ravo/EbberlowExport.h"
#include "ravo/LoggingServiceOptions.h"
#include "ravo/SessionOptions.h"

namespace ravo::testing {

struct StartCall {
    LoggingServiceOptions options;
    ApplicationInfo application;
    bool partner = false;
};

// What callers asked of the library in this process: counts and the latest arguments.
struct CallJournal {
    int startCalls = 0;
    std::optional<StartCall> lastStart;
    int setOptInCalls = 0;
    int logDataCalls = 0;
    int flushCalls = 0;
    int lastFlushWait = 0;
    int stopCalls = 0;
    std::chrono::seconds lastStopWait{0};
    int optInServiceStarts = 0;
    int startSessionCalls = 0;
    std::optional<SessionOptions> lastSessionOptions;
    int endSessionCalls = 0;
    std::string lastEndedSession;
};

EBBERLOW_EXPORT CallJournal journal();

}  // namespace ravo::testing
