#pragma once

#include <map>
#include <string>

#include "ravo/LoggingTestSupport.h"
#include "ravo/RavoData.h"
#include "usage_data/MirrowentExport.h"

namespace ravo {

// A response with status STS_RAVO_NOT_ENABLED while the service does not run.
MIRROWENT_EXPORT RavoResponse logRavoData(const DataIdentification& identification, const RavoData& data,
                                          const RavoOption& option);
MIRROWENT_EXPORT void flush();
MIRROWENT_EXPORT bool isEnabled();

// The callback sees every logged item that matches the filter, on the thread that logs it; returns the tap's id.
MIRROWENT_EXPORT int addTap(const std::map<std::string, std::string>& filter, const TapCallback& callback,
                            bool evenWithoutOptIn);
// When this returns, no call of the tap is running or will start, and the tap's copy of the callback is gone:
// what the callback refers to may be freed. It waits for calls running on other threads, so the caller must
// not hold anything those calls wait for (two callbacks that remove each other's taps on two threads at once
// wait for each other). Called from inside the tap's own callback it does not wait: no further call starts, and
// the calls already running finish.
MIRROWENT_EXPORT void removeTap(int tapId);

}  // namespace ravo
