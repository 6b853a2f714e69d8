#include "ravo/SharedLoggingService.h"

#include "CallJournal.h"
#include "ServiceCore.h"

namespace ravo {

std::shared_ptr<SharedLoggingService> SharedLoggingService::getSharedService() {
    return detail::ServiceCore::instance().sharedService();
}

std::string SharedLoggingService::startSession(const ApplicationInfo& application, const SessionOptions& options) {
    detail::recordCall([&](testing::CallJournal& journal) {
        ++journal.startSessionCalls;
        journal.lastSessionOptions = options;
    });
    return detail::ServiceCore::instance().startSession(application, options);
}

void SharedLoggingService::endSession(const std::string& sessionKey) {
    detail::recordCall([&](testing::CallJournal& journal) {
        ++journal.endSessionCalls;
        journal.lastEndedSession = sessionKey;
    });
    detail::ServiceCore::instance().endSession(sessionKey);
}

}  // namespace ravo
