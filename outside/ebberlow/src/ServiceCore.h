#pragma once

#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "DataFile.h"
#include "ravo/ApplicationInfo.h"
#include "ravo/LoggingPartnerSupport.h"
#include "ravo/LoggingServiceOptions.h"
#include "ravo/RavoData.h"
#include "ravo/SessionOptions.h"
#include "ravo/SharedLoggingService.h"

namespace ravo::detail {

// The state behind the library's facades, under one lock.
class ServiceCore {
public:
    static ServiceCore& instance();

    void start(const LoggingServiceOptions& options, const ApplicationInfo& application, bool partner);
    void stop();
    void flush();

    void setOptIn(bool optIn);
    bool optIn() const;
    void startOptInSettings();

    RavoResponse log(const DataIdentification& identification, const RavoData& data, const RavoOption& option);

    std::shared_ptr<SharedLoggingService> sharedService() const;
    std::shared_ptr<LoggingPartnerSupport> partnerSupport() const;
    std::string startSession(const ApplicationInfo& application, const SessionOptions& options);
    void endSession(const std::string& sessionKey);

private:
    struct Session {
        std::string key;
        ApplicationInfo application;
        bool sendStartAndEnd = false;
    };

    ServiceCore() = default;
    fl::filesystem::basic_path optInSettingsPath() const;
    void keepOptInChoice() const;
    std::string newSessionKey();
    void logSessionEvent(const char* name, const Session& session);

    mutable std::mutex mutex_;
    bool running_ = false;
    bool optIn_ = false;
    bool optInSettings_ = false;
    ApplicationInfo application_;
    LoggingServiceOptions options_;
    DataFile file_;
    std::vector<Session> sessions_;
    std::shared_ptr<SharedLoggingService> shared_;
    std::shared_ptr<LoggingPartnerSupport> partner_;
    std::mt19937_64 keyRandom_{std::random_device{}()};
};

}  // namespace ravo::detail
