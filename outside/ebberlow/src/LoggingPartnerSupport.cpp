#include "ravo/LoggingPartnerSupport.h"

#include "ServiceCore.h"

namespace ravo {

std::shared_ptr<LoggingPartnerSupport> LoggingPartnerSupport::getSupport() {
    return detail::ServiceCore::instance().partnerSupport();
}

}  // namespace ravo
