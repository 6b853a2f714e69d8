// Settings of RavoService: defaults, copies, the guard after start and the status names.
#include <functional>
#include <utility>

#include <gtest/gtest.h>

#include "test_support.h"
#include "usage_data/RavoService.h"

namespace {

using mirrowent_test::inFreshProcess;
using mirrowent_test::ravoMessages;
using ravo::RavoService;
using namespace std::chrono_literals;

TEST(RavoServiceSettings, DefaultsSettersAndCopies) {
    RavoService service;
    EXPECT_EQ(service.getRetryStrategyInfo().maxAttempts, 5);
    EXPECT_EQ(service.getRetryStrategyInfo().delaySeconds, 0);
    EXPECT_EQ(service.getRetryStrategyInfo().timeLimitSeconds, 120);
    EXPECT_EQ(service.getRequestTimeout(), 3s);
    EXPECT_FALSE(service.getOptIn());

    service.setReleaseFamily("R2026");
    service.setBypassOptIn(true);
    service.setProxyUsername("ann");
    service.setRetryStrategyInfo({7, 2, 60});
    RavoService assigned;
    assigned = service;
    for (const RavoService& copy : {RavoService(service), assigned}) {
        EXPECT_EQ(copy.getApplicationVersion(), "R2026");
        EXPECT_EQ(copy.getReleaseFamily(), "R2026");
        EXPECT_TRUE(copy.getOptIn());
        EXPECT_EQ(copy.getProxyUsername(), "ann");
        EXPECT_EQ(copy.getRetryStrategyInfo().maxAttempts, 7);
    }
}

TEST(RavoServiceSettings, GuardedSettersAreIgnoredAfterStartAndSaySo) {
    inFreshProcess([] {
        RavoService service;
        service.setApplicationName("Atlas");
        ASSERT_EQ(service.start(), RavoService::STS_SERVICE_SUCCESS);
        const std::string startedKey = service.getSessionKey();
        std::vector<std::pair<const char*, std::function<void()>>> setters = {
            {"setApiKey", [&] { service.setApiKey("other"); }},
            {"setApplicationName", [&] { service.setApplicationName("Other"); }},
            {"setApplicationVersion", [&] { service.setApplicationVersion("2"); }},
            {"setReleaseFamily", [&] { service.setReleaseFamily("R2"); }},
            {"setSessionKey", [&] { service.setSessionKey("other"); }},
            {"setRunConfigService", [&] { service.setRunConfigService(true); }},
            {"setBypassOptIn", [&] { service.setBypassOptIn(true); }},
            {"enableSettingsDrivenOptIn", [&] { service.enableSettingsDrivenOptIn(); }},
            {"setSendSessionStartAndEnd", [&] { service.setSendSessionStartAndEnd(true); }},
            {"setRequireSchemas", [&] { service.setRequireSchemas(true); }},
            {"setSchemaSearchPath", [&] { service.setSchemaSearchPath({u"/schemas"}); }},
            {"setPersistencePath", [&] { service.setPersistencePath(u"/data"); }},
            {"setProxyHost", [&] { service.setProxyHost("proxy"); }},
            {"setProxyPort", [&] { service.setProxyPort(1); }},
            {"setProxyUserName", [&] { service.setProxyUsername("ann"); }},
            {"setProxyPassword", [&] { service.setProxyPassword("secret"); }},
        };
        for (const auto& [name, call] : setters) {
            foundation::log::testing::record_capture capture;
            call();
            std::vector<std::string> expected{std::string(name) + " call after service start ignored"};
            EXPECT_EQ(ravoMessages(capture), expected);
        }
        EXPECT_EQ(service.getApplicationName(), "Atlas");
        EXPECT_EQ(service.getApplicationVersion(), "");
        EXPECT_EQ(service.getSessionKey(), startedKey);
        EXPECT_EQ(service.getProxyPort(), 0);
        EXPECT_EQ(service.getProxyUsername(), "");

        // Still ignored once the service has stopped; the unguarded ones still take effect.
        service.stop(0s);
        service.setProxyHost("proxy");
        service.setRequestTimeout(20s);
        EXPECT_EQ(service.getProxyHost(), "");
        EXPECT_EQ(service.getRequestTimeout(), 20s);
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
