#include "ravo/OptInService.h"

#include "CallJournal.h"
#include "ServiceCore.h"

namespace ravo {

void OptInService::start() {
    detail::recordCall([](testing::CallJournal& journal) { ++journal.optInServiceStarts; });
    detail::ServiceCore::instance().startOptInSettings();
}

}  // namespace ravo
