#include "usage_data/RavoLogging.h"

#include "ServiceState.h"
#include "ravo/LoggingService.h"

namespace ravo {

RavoResponse logRavoData(const DataIdentification& identification, const RavoData& data, const RavoOption& option) {
    // A default response says STS_RAVO_NOT_ENABLED.
    if (!detail::serviceState().serviceRunning) return RavoResponse{};
    return LoggingService::getService().logData(identification, data, option);
}

void flush() {
    FOUNDATION_LOG(detail::ravoLogger(), detail::kInfo) << "Standalone flush is called.";
    LoggingService::getService().flush(0);
}

bool isEnabled() { return detail::serviceState().serviceRunning; }

int addTap(const std::map<std::string, std::string>& filter, const TapCallback& callback, bool evenWithoutOptIn) {
    return LoggingTestSupport::getSupport().addTap(filter, callback, evenWithoutOptIn);
}

void removeTap(int tapId) { LoggingTestSupport::getSupport().removeTap(tapId); }

}  // namespace ravo
