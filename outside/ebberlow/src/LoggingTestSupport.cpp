#include "ravo/LoggingTestSupport.h"

#include "TapRegistry.h"

namespace ravo {

LoggingTestSupport& LoggingTestSupport::getSupport() {
    static auto* support = new LoggingTestSupport;
    return *support;
}

int LoggingTestSupport::addTap(const TapFilter& filter, const TapCallback& callback, bool evenWithoutOptIn) {
    return detail::TapRegistry::instance().add(filter, callback, evenWithoutOptIn);
}

void LoggingTestSupport::removeTap(int tapId) { detail::TapRegistry::instance().remove(tapId); }

}  // namespace ravo
