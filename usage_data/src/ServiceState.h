#pragma once

#include <atomic>
#include <string>

#include <boost/thread/mutex.hpp>

#include "foundation/log/diagnostic_logger.h"

namespace ravo::detail {

inline constexpr foundation::log::severity_t kInfo = 1;
inline constexpr foundation::log::severity_t kExceptionDetail = 16;

// The one usage-data service of the process, shared by every RavoService object.
struct ServiceState {
    // Read without the mutex by the setter guard, isEnabled and logRavoData.
    std::atomic<bool> serviceRunning{false};
    std::atomic<bool> serviceStartedOnce{false};
    boost::mutex serviceMutex;
    // The session that start opened; stop ends it whichever object stops the service. Under serviceMutex.
    std::string startedSessionKey;
};

ServiceState& serviceState();
// The "sa_ravo" channel.
foundation::log::diagnostic_logger& ravoLogger();

}  // namespace ravo::detail
