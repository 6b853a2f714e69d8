// Start, stop and opt-in of the process-wide usage-data service.
#include <cstdlib>
#include <memory>

#include <boost/exception/diagnostic_information.hpp>
#include <boost/thread/lock_guard.hpp>

#include "ServiceState.h"
#include "ravo/LoggingService.h"
#include "ravo/OptInService.h"
#include "ravo/SharedLoggingService.h"
#include "usage_data/RavoService.h"

namespace ravo {
namespace {

using Lock = boost::lock_guard<boost::mutex>;

// Undoes a start that failed after the logging library had started, so that a later start can succeed.
void stopAfterFailedStart() noexcept {
    try {
        LoggingService::getService().stop(std::chrono::seconds(0));
    } catch (...) {
        FOUNDATION_LOG(detail::ravoLogger(), detail::kExceptionDetail)
            << "Exception caught: " << boost::current_exception_diagnostic_information();
    }
}

}  // namespace

RavoService::~RavoService() {
    FOUNDATION_LOG(detail::ravoLogger(), detail::kInfo) << "~RavoService is called.";
    if (detail::serviceState().serviceRunning) stop(std::chrono::seconds(4));
}

void RavoService::setOptIn(bool value) {
    auto& state = detail::serviceState();
    Lock lock(state.serviceMutex);
    if (state.serviceStartedOnce) {
        LoggingService::getService().setOptIn(value);
    } else {
        optIn = value;
    }
}

bool RavoService::getOptIn() const {
    auto& state = detail::serviceState();
    Lock lock(state.serviceMutex);
    return state.serviceStartedOnce ? LoggingService::getService().getOptIn() : optIn;
}

void RavoService::logSettings() const {
    auto& logger = detail::ravoLogger();
    FOUNDATION_LOG(logger, detail::kInfo) << " applicationName: " << applicationName
                                          << " applicationVersion: " << applicationVersion;
    FOUNDATION_LOG(logger, detail::kInfo) << " sessionKey: " << sessionKey;
    FOUNDATION_LOG(logger, detail::kInfo) << " apiKey: " << apiKey;
    FOUNDATION_LOG(logger, detail::kInfo) << " runConfigService: " << (runConfigService ? 1 : 0);
    FOUNDATION_LOG(logger, detail::kInfo) << " proxyHost: " << proxyHost;
    FOUNDATION_LOG(logger, detail::kInfo) << " proxyPort: " << proxyPort;
    FOUNDATION_LOG(logger, detail::kInfo) << " proxyUsername: " << proxyUsername;
    FOUNDATION_LOG(logger, detail::kInfo) << " proxyPassword: "
                                          << (proxyPassword.empty() ? "--not supplied--" : "--supplied--");
}

LoggingServiceOptions RavoService::loggingOptions() const {
    LoggingServiceOptions options;
    options.runConfigService = runConfigService;
    options.requireSchemas = requireSchemas;
    options.schemaSearchPath = schemaSearchPath;
    options.persistencePath = persistencePath;
    // A port alone names no proxy.
    if (!proxyHost.empty() || !proxyUsername.empty() || !proxyPassword.empty()) {
        options.proxyInfo = std::make_shared<ProxyInfo>(ProxyInfo{proxyHost, proxyPort, proxyUsername, proxyPassword});
    }
    if (retryStrategyInfoSet) options.retryStrategyInfo = std::make_shared<RetryStrategyInfo>(retryStrategyInfo);
    options.requestTimeout = requestTimeout;
    return options;
}

int RavoService::start() {
    auto& logger = detail::ravoLogger();
    auto& state = detail::serviceState();
    FOUNDATION_LOG(logger, detail::kInfo) << "Standalone start is called with:";
    Lock lock(state.serviceMutex);
    if (state.serviceStartedOnce) {
        FOUNDATION_LOG(logger, detail::kInfo) << "Standalone RAVO service cannot be restarted.";
        return STS_SERVICE_CANNOT_BE_RESTARTED;
    }
    logSettings();
    if (const char* name = std::getenv("ZQ_RAVO_APP_NAME")) applicationName = name;
    // Every non-empty name is known: the logging library keeps no list of applications.
    if (applicationName.empty()) {
        FOUNDATION_LOG(logger, detail::kInfo) << "applicatioName is unknown.";
        return STS_SERVICE_APP_NAME_UNKNOWN;
    }

    ApplicationInfo application{applicationName, applicationVersion};
    FOUNDATION_LOG(logger, detail::kInfo) << "Starting LoggingService";
    LoggingService::start(loggingOptions(), application, false);
    try {
        if (optIn) LoggingService::getService().setOptIn(true);
        if (settingsDrivenOptIn) {
            FOUNDATION_LOG(logger, detail::kInfo) << "Starting OptInService";
            OptInService::start();
        }
        SessionOptions session{sessionKey, apiKey, sendSessionStartAndEnd};
        if (auto shared = SharedLoggingService::getSharedService()) {
            sessionKey = shared->startSession(application, session);
        }
    } catch (...) {
        stopAfterFailedStart();
        throw;
    }
    state.startedSessionKey = sessionKey;
    state.serviceStartedOnce = true;
    state.serviceRunning = true;
    return STS_SERVICE_SUCCESS;
}

int RavoService::stop(std::chrono::seconds waitTime) {
    auto& logger = detail::ravoLogger();
    auto& state = detail::serviceState();
    FOUNDATION_LOG(logger, detail::kInfo) << "Standalone stop is called.";
    FOUNDATION_LOG(logger, detail::kInfo) << "waitTime to stop (in seconds): " << waitTime.count();
    try {
        Lock lock(state.serviceMutex);
        if (state.serviceRunning) {
            if (auto shared = SharedLoggingService::getSharedService()) shared->endSession(state.startedSessionKey);
            // Once asked to stop, the library is stopped, also when it reports what it lost on the way.
            try {
                LoggingService::getService().stop(waitTime);
            } catch (...) {
                state.serviceRunning = false;
                throw;
            }
            state.serviceRunning = false;
        }
    } catch (...) {
        FOUNDATION_LOG(logger, detail::kInfo) << "Unknown exception during RavoService::stop()";
        FOUNDATION_LOG(logger, detail::kExceptionDetail)
            << "Exception caught: " << boost::current_exception_diagnostic_information();
    }
    return 0;
}

}  // namespace ravo
