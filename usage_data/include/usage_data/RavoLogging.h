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

// The callback sees every logged item that matches the filter; returns the tap's id.
MIRROWENT_EXPORT int addTap(const std::map<std::string, std::string>& filter, const TapCallback& callback,
                            bool evenWithoutOptIn);
MIRROWENT_EXPORT void removeTap(int tapId);

}  // namespace ravo
