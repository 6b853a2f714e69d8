#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "fl/filesystem/basic_path.h"
#include "ravo/LoggingServiceOptions.h"
#include "usage_data/MirrowentExport.h"

namespace ravo {

// Settings of the process-wide usage-data service, and its start and stop.
//
// The service starts once per process. Guarded setters are ignored (and say so in the log) once it has started.
// Destroying any object stops the running service.
class MIRROWENT_EXPORT RavoService {
public:
    static constexpr int STS_SERVICE_SUCCESS = 0;
    static constexpr int STS_SERVICE_NOT_SUPPORTED = 1;
    static constexpr int STS_SERVICE_UNABLE_TO_LOAD = 2;
    static constexpr int STS_SERVICE_ALREADY_STARTED = 3;
    static constexpr int STS_SERVICE_UNABLE_TO_START = 4;
    static constexpr int STS_SERVICE_APP_NAME_UNKNOWN = 5;
    static constexpr int STS_SERVICE_CANNOT_BE_RESTARTED = 6;

    RavoService();
    RavoService(const RavoService& other);
    RavoService& operator=(const RavoService& other);
    ~RavoService();

    void setApiKey(std::string apiKey);
    void setApplicationName(std::string applicationName);
    void setApplicationVersion(std::string applicationVersion);
    void setReleaseFamily(std::string releaseFamily);
    void setSessionKey(std::string sessionKey);
    void setRunConfigService(bool runConfigService);
    void setBypassOptIn(bool bypassOptIn);
    void enableSettingsDrivenOptIn();
    void setSendSessionStartAndEnd(bool sendSessionStartAndEnd);
    void setRequireSchemas(bool requireSchemas);
    void setSchemaSearchPath(const std::vector<fl::filesystem::basic_path>& schemaSearchPath);
    void setPersistencePath(const fl::filesystem::basic_path& persistencePath);
    void setProxyHost(std::string proxyHost);
    void setProxyPort(std::uint16_t proxyPort);
    void setProxyUsername(std::string proxyUsername);
    void setProxyPassword(std::string proxyPassword);

    void setRetryStrategyInfo(RetryStrategyInfo retryStrategyInfo);
    void setRequestTimeout(std::chrono::seconds requestTimeout);
    // Before the first start this is the setting; afterwards it goes straight to the running service.
    void setOptIn(bool optIn);

    std::string getApiKey() const;
    std::string getApplicationName() const;
    std::string getApplicationVersion() const;
    std::string getReleaseFamily() const;
    // After a successful start, the key of the session that start opened.
    std::string getSessionKey() const;
    bool getRunConfigService() const;
    bool getSendSessionStartAndEnd() const;
    bool getRequireSchemas() const;
    std::string getProxyHost() const;
    std::uint16_t getProxyPort() const;
    std::string getProxyUsername() const;
    std::string getProxyPassword() const;
    RetryStrategyInfo getRetryStrategyInfo() const;
    std::chrono::seconds getRequestTimeout() const;
    bool getOptIn() const;
    std::string getMachineHash() const;
    static std::string getStatusString(int status);

    // One of the status codes above; exceptions of the logging library pass through.
    int start();
    // Always 0; failures are only logged.
    int stop(std::chrono::seconds waitTime);

private:
    static bool settingAllowed(const char* setterName);
    void logSettings() const;
    LoggingServiceOptions loggingOptions() const;

    std::string apiKey;
    std::string applicationName;
    std::string applicationVersion;
    std::string sessionKey;
    bool runConfigService = false;
    bool settingsDrivenOptIn = false;
    bool optIn = false;
    bool sendSessionStartAndEnd = false;
    bool requireSchemas = false;
    std::vector<fl::filesystem::basic_path> schemaSearchPath;
    fl::filesystem::basic_path persistencePath;
    std::string proxyHost;
    std::uint16_t proxyPort = 0;
    std::string proxyUsername;
    std::string proxyPassword;
    bool retryStrategyInfoSet = false;
    RetryStrategyInfo retryStrategyInfo{5, 0, 120};
    std::chrono::seconds requestTimeout{3};
};

}  // namespace ravo
