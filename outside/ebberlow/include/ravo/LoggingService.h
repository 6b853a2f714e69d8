#pragma once

#include <chrono>

#include "ravo/ApplicationInfo.h"
#include "ravo/EbberlowExport.h"
#include "ravo/LoggingServiceOptions.h"
#include "ravo/RavoData.h"

namespace ravo {

// The process-wide usage-data logging service.
//
// Items are written synchronously, one JSON line each, so nothing is ever pending: flush and stop only report
// items that could not be written. Nothing is uploaded, so the proxy, retry, time-out, schema and run-config
// options are kept but have no effect.
class EBBERLOW_EXPORT LoggingService {
public:
    // Throws std::logic_error while the service runs, std::invalid_argument for an empty application name and
    // std::runtime_error when the persistence file cannot be opened. A partner service also offers
    // LoggingPartnerSupport.
    static void start(const LoggingServiceOptions& options, const ApplicationInfo& application, bool partner);
    // The one service of the process, running or not.
    static LoggingService& getService();

    LoggingService(const LoggingService&) = delete;
    LoggingService& operator=(const LoggingService&) = delete;

    // Kept across stop and start.
    void setOptIn(bool optIn);
    bool getOptIn() const;

    // Written only while opted in; passed to the matching test taps either way.
    RavoResponse logData(const DataIdentification& identification, const RavoData& data, const RavoOption& option);

    // Throws std::runtime_error when items could not be written since the last report.
    void flush(int waitSeconds);
    // Closes the persistence file; throws like flush, after the service has stopped.
    void stop(std::chrono::seconds waitTime);

private:
    LoggingService() = default;
};

}  // namespace ravo
