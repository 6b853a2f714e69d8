#include "ravo/LoggingService.h"

#include "CallJournal.h"
#include "ServiceCore.h"

namespace ravo {

void LoggingService::start(const LoggingServiceOptions& options, const ApplicationInfo& application, bool partner) {
    detail::recordCall([&](testing::CallJournal& journal) {
        ++journal.startCalls;
        journal.lastStart = testing::StartCall{options, application, partner};
    });
    detail::ServiceCore::instance().start(options, application, partner);
}

LoggingService& LoggingService::getService() {
    static auto* service = new LoggingService;
    return *service;
}

void LoggingService::setOptIn(bool optIn) {
    detail::recordCall([](testing::CallJournal& journal) { ++journal.setOptInCalls; });
    detail::ServiceCore::instance().setOptIn(optIn);
}

bool LoggingService::getOptIn() const { return detail::ServiceCore::instance().optIn(); }

RavoResponse LoggingService::logData(const DataIdentification& identification, const RavoData& data,
                                     const RavoOption& option) {
    detail::recordCall([](testing::CallJournal& journal) { ++journal.logDataCalls; });
    return detail::ServiceCore::instance().log(identification, data, option);
}

void LoggingService::flush(int waitSeconds) {
    detail::recordCall([&](testing::CallJournal& journal) {
        ++journal.flushCalls;
        journal.lastFlushWait = waitSeconds;
    });
    detail::ServiceCore::instance().flush();
}

void LoggingService::stop(std::chrono::seconds waitTime) {
    detail::recordCall([&](testing::CallJournal& journal) {
        ++journal.stopCalls;
        journal.lastStopWait = waitTime;
    });
    detail::ServiceCore::instance().stop();
}

}  // namespace ravo
