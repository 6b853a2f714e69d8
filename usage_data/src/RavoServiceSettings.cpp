// Settings, guarded setters and getters of RavoService.
#include "usage_data/RavoService.h"

#include "ServiceState.h"
#include "ravo/LoggingPartnerSupport.h"
#include "ravo/PlatformInfo.h"

namespace ravo {

RavoService::RavoService() = default;
RavoService::RavoService(const RavoService& other) = default;
RavoService& RavoService::operator=(const RavoService& other) = default;

// Settings are only read by the first start; later changes would be silently lost, so they are refused aloud.
bool RavoService::settingAllowed(const char* setterName) {
    if (!detail::serviceState().serviceStartedOnce) return true;
    FOUNDATION_LOG(detail::ravoLogger(), detail::kInfo) << setterName << " call after service start ignored";
    return false;
}

void RavoService::setApiKey(std::string value) {
    if (settingAllowed("setApiKey")) apiKey = std::move(value);
}

void RavoService::setApplicationName(std::string value) {
    if (settingAllowed("setApplicationName")) applicationName = std::move(value);
}

void RavoService::setApplicationVersion(std::string value) {
    if (settingAllowed("setApplicationVersion")) applicationVersion = std::move(value);
}

void RavoService::setReleaseFamily(std::string value) {
    if (settingAllowed("setReleaseFamily")) setApplicationVersion(std::move(value));
}

void RavoService::setSessionKey(std::string value) {
    if (settingAllowed("setSessionKey")) sessionKey = std::move(value);
}

void RavoService::setRunConfigService(bool value) {
    if (settingAllowed("setRunConfigService")) runConfigService = value;
}

void RavoService::setBypassOptIn(bool value) {
    if (settingAllowed("setBypassOptIn")) optIn = value;
}

void RavoService::enableSettingsDrivenOptIn() {
    if (settingAllowed("enableSettingsDrivenOptIn")) settingsDrivenOptIn = true;
}

void RavoService::setSendSessionStartAndEnd(bool value) {
    if (settingAllowed("setSendSessionStartAndEnd")) sendSessionStartAndEnd = value;
}

void RavoService::setRequireSchemas(bool value) {
    if (settingAllowed("setRequireSchemas")) requireSchemas = value;
}

void RavoService::setSchemaSearchPath(const std::vector<fl::filesystem::basic_path>& value) {
    if (settingAllowed("setSchemaSearchPath")) schemaSearchPath = value;
}

void RavoService::setPersistencePath(const fl::filesystem::basic_path& value) {
    if (settingAllowed("setPersistencePath")) persistencePath = value;
}

void RavoService::setProxyHost(std::string value) {
    if (settingAllowed("setProxyHost")) proxyHost = std::move(value);
}

void RavoService::setProxyPort(std::uint16_t value) {
    if (settingAllowed("setProxyPort")) proxyPort = value;
}

void RavoService::setProxyUsername(std::string value) {
    if (settingAllowed("setProxyUserName")) proxyUsername = std::move(value);
}

void RavoService::setProxyPassword(std::string value) {
    if (settingAllowed("setProxyPassword")) proxyPassword = std::move(value);
}

void RavoService::setRetryStrategyInfo(RetryStrategyInfo value) {
    retryStrategyInfo = value;
    retryStrategyInfoSet = true;
}

void RavoService::setRequestTimeout(std::chrono::seconds value) { requestTimeout = value; }

std::string RavoService::getApiKey() const { return apiKey; }
std::string RavoService::getApplicationName() const { return applicationName; }
std::string RavoService::getApplicationVersion() const { return applicationVersion; }
std::string RavoService::getReleaseFamily() const { return applicationVersion; }
std::string RavoService::getSessionKey() const { return sessionKey; }
bool RavoService::getRunConfigService() const { return runConfigService; }
bool RavoService::getSendSessionStartAndEnd() const { return sendSessionStartAndEnd; }
bool RavoService::getRequireSchemas() const { return requireSchemas; }
std::string RavoService::getProxyHost() const { return proxyHost; }
std::uint16_t RavoService::getProxyPort() const { return proxyPort; }
std::string RavoService::getProxyUsername() const { return proxyUsername; }
std::string RavoService::getProxyPassword() const { return proxyPassword; }
RetryStrategyInfo RavoService::getRetryStrategyInfo() const { return retryStrategyInfo; }
std::chrono::seconds RavoService::getRequestTimeout() const { return requestTimeout; }

std::string RavoService::getMachineHash() const {
    if (auto partner = LoggingPartnerSupport::getSupport()) return partner->getMachineHash();
    return PlatformInfo::getInstance().getMachineHash();
}

std::string RavoService::getStatusString(int status) {
    switch (status) {
        case STS_SERVICE_SUCCESS: return "STS_SERVICE_SUCCESS";
        case STS_SERVICE_NOT_SUPPORTED: return "STS_SERVICE_NOT_SUPPORTED";
        case STS_SERVICE_UNABLE_TO_LOAD: return "STS_SERVICE_UNABLE_TO_LOAD";
        case STS_SERVICE_ALREADY_STARTED: return "STS_SERVICE_ALREADY_STARTED";
        case STS_SERVICE_UNABLE_TO_START: return "STS_SERVICE_UNABLE_TO_START";
        case STS_SERVICE_APP_NAME_UNKNOWN: return "STS_SERVICE_APP_NAME_UNKNOWN";
        case STS_SERVICE_CANNOT_BE_RESTARTED: return "STS_SERVICE_CANNOT_BE_RESTARTED";
        default: return "UNKNOWN";
    }
}

}  // namespace ravo
