// Settings of RavoService: defaults, copies, the guard after start and the status names.
#include <gtest/gtest.h>

#include "test_support.h"
#include "usage_data/RavoService.h"

namespace {

using mirrowent_test::inFreshProcess;
using mirrowent_test::ravoMessages;
using ravo::RavoService;
using namespace std::chrono_literals;

void fillEverySetting(RavoService& service) {
    service.setApiKey("key-1");
    service.setApplicationName("Atlas");
    service.setReleaseFamily("R2026");
    service.setSessionKey("session-1");
    service.setRunConfigService(true);
    service.setBypassOptIn(true);
    service.setSendSessionStartAndEnd(true);
    service.setRequireSchemas(true);
    service.setProxyHost("proxy.example");
    service.setProxyPort(3128);
    service.setProxyUsername("ann");
    service.setProxyPassword("secret");
    service.setRetryStrategyInfo({7, 2, 60});
    service.setRequestTimeout(9s);
}

void expectEverySetting(const RavoService& service) {
    EXPECT_EQ(service.getApiKey(), "key-1");
    EXPECT_EQ(service.getApplicationName(), "Atlas");
    EXPECT_EQ(service.getApplicationVersion(), "R2026");
    EXPECT_EQ(service.getReleaseFamily(), "R2026");
    EXPECT_EQ(service.getSessionKey(), "session-1");
    EXPECT_TRUE(service.getRunConfigService());
    EXPECT_TRUE(service.getOptIn());
    EXPECT_TRUE(service.getSendSessionStartAndEnd());
    EXPECT_TRUE(service.getRequireSchemas());
    EXPECT_EQ(service.getProxyHost(), "proxy.example");
    EXPECT_EQ(service.getProxyPort(), 3128);
    EXPECT_EQ(service.getProxyUsername(), "ann");
    EXPECT_EQ(service.getProxyPassword(), "secret");
    EXPECT_EQ(service.getRetryStrategyInfo().maxAttempts, 7);
    EXPECT_EQ(service.getRetryStrategyInfo().delaySeconds, 2);
    EXPECT_EQ(service.getRetryStrategyInfo().timeLimitSeconds, 60);
    EXPECT_EQ(service.getRequestTimeout(), 9s);
}

TEST(RavoServiceSettings, DefaultsBeforeAnySetter) {
    RavoService service;
    EXPECT_EQ(service.getApiKey(), "");
    EXPECT_EQ(service.getApplicationName(), "");
    EXPECT_EQ(service.getApplicationVersion(), "");
    EXPECT_EQ(service.getSessionKey(), "");
    EXPECT_FALSE(service.getRunConfigService());
    EXPECT_FALSE(service.getOptIn());
    EXPECT_FALSE(service.getSendSessionStartAndEnd());
    EXPECT_FALSE(service.getRequireSchemas());
    EXPECT_EQ(service.getProxyPort(), 0);
    EXPECT_EQ(service.getRetryStrategyInfo().maxAttempts, 5);
    EXPECT_EQ(service.getRetryStrategyInfo().delaySeconds, 0);
    EXPECT_EQ(service.getRetryStrategyInfo().timeLimitSeconds, 120);
    EXPECT_EQ(service.getRequestTimeout(), 3s);
}

TEST(RavoServiceSettings, SettersStoreAndCopiesCarryEverySetting) {
    RavoService service;
    fillEverySetting(service);
    expectEverySetting(service);

    RavoService copy(service);
    expectEverySetting(copy);
    RavoService assigned;
    assigned = service;
    expectEverySetting(assigned);
}

TEST(RavoServiceSettings, GuardedSettersAreIgnoredAfterStartAndSaySo) {
    inFreshProcess([] {
        RavoService service;
        service.setApplicationName("Atlas");
        ASSERT_EQ(service.start(), RavoService::STS_SERVICE_SUCCESS);
        const std::string startedKey = service.getSessionKey();
        foundation::log::testing::record_capture capture;

        service.setApiKey("other");
        service.setApplicationName("Other");
        service.setApplicationVersion("2");
        service.setReleaseFamily("R2");
        service.setSessionKey("other");
        service.setRunConfigService(true);
        service.setBypassOptIn(true);
        service.enableSettingsDrivenOptIn();
        service.setSendSessionStartAndEnd(true);
        service.setRequireSchemas(true);
        service.setSchemaSearchPath({u"/schemas"});
        service.setPersistencePath(u"/data");
        service.setProxyHost("proxy");
        service.setProxyPort(1);
        service.setProxyUsername("ann");
        service.setProxyPassword("secret");

        std::vector<std::string> expected;
        for (const char* name :
             {"setApiKey", "setApplicationName", "setApplicationVersion", "setReleaseFamily", "setSessionKey",
              "setRunConfigService", "setBypassOptIn", "enableSettingsDrivenOptIn", "setSendSessionStartAndEnd",
              "setRequireSchemas", "setSchemaSearchPath", "setPersistencePath", "setProxyHost", "setProxyPort",
              "setProxyUserName", "setProxyPassword"}) {
            expected.push_back(std::string(name) + " call after service start ignored");
        }
        EXPECT_EQ(ravoMessages(capture), expected);

        EXPECT_EQ(service.getApiKey(), "");
        EXPECT_EQ(service.getApplicationName(), "Atlas");
        EXPECT_EQ(service.getApplicationVersion(), "");
        EXPECT_EQ(service.getSessionKey(), startedKey);
        EXPECT_FALSE(service.getRunConfigService());
        EXPECT_FALSE(service.getSendSessionStartAndEnd());
        EXPECT_FALSE(service.getRequireSchemas());
        EXPECT_EQ(service.getProxyHost(), "");
        EXPECT_EQ(service.getProxyPort(), 0);
        EXPECT_EQ(service.getProxyUsername(), "");
        EXPECT_EQ(service.getProxyPassword(), "");

        // Still ignored once the service has stopped again.
        service.stop(0s);
        capture.clear();
        service.setProxyUsername("bob");
        EXPECT_EQ(service.getProxyUsername(), "");
        EXPECT_EQ(ravoMessages(capture), std::vector<std::string>{"setProxyUserName call after service start ignored"});
    });
}

TEST(RavoServiceSettings, UnguardedSettersStillTakeEffectAfterStart) {
    inFreshProcess([] {
        RavoService service;
        service.setApplicationName("Atlas");
        ASSERT_EQ(service.start(), RavoService::STS_SERVICE_SUCCESS);
        foundation::log::testing::record_capture capture;
        service.setRetryStrategyInfo({1, 1, 1});
        service.setRequestTimeout(20s);
        EXPECT_EQ(service.getRetryStrategyInfo().maxAttempts, 1);
        EXPECT_EQ(service.getRequestTimeout(), 20s);
        EXPECT_TRUE(ravoMessages(capture).empty());
    });
}

TEST(RavoServiceSettings, StatusStringsNameTheConstants) {
    EXPECT_EQ(RavoService::getStatusString(RavoService::STS_SERVICE_SUCCESS), "STS_SERVICE_SUCCESS");
    EXPECT_EQ(RavoService::getStatusString(1), "STS_SERVICE_NOT_SUPPORTED");
    EXPECT_EQ(RavoService::getStatusString(2), "STS_SERVICE_UNABLE_TO_LOAD");
    EXPECT_EQ(RavoService::getStatusString(3), "STS_SERVICE_ALREADY_STARTED");
    EXPECT_EQ(RavoService::getStatusString(4), "STS_SERVICE_UNABLE_TO_START");
    EXPECT_EQ(RavoService::getStatusString(5), "STS_SERVICE_APP_NAME_UNKNOWN");
    EXPECT_EQ(RavoService::getStatusString(6), "STS_SERVICE_CANNOT_BE_RESTARTED");
    EXPECT_EQ(RavoService::getStatusString(-1), "UNKNOWN");
    EXPECT_EQ(RavoService::getStatusString(7), "UNKNOWN");
}

}  // namespace
