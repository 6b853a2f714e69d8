// Start and stop of the process-wide usage-data service, and what they hand to the logging library.
#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include <gtest/gtest.h>

#include "ravo/LoggingService.h"
#include "ravo/testing.h"
#include "test_support.h"
#include "usage_data/RavoLogging.h"
#include "usage_data/RavoService.h"

namespace {

using mirrowent_test::inFreshProcess;
using mirrowent_test::logged;
using mirrowent_test::ravoMessages;
using mirrowent_test::TempFolder;
using ravo::RavoService;
using namespace std::chrono_literals;

RavoService namedService(const std::string& name = "Atlas") {
    RavoService service;
    service.setApplicationName(name);
    return service;
}

TEST(RavoServiceLifecycle, StartsOnceAndRefusesEveryLaterStart) {
    inFreshProcess([] {
        RavoService service = namedService();
        ASSERT_EQ(service.start(), RavoService::STS_SERVICE_SUCCESS);
        EXPECT_TRUE(ravo::isEnabled());
        {
            foundation::log::testing::record_capture capture;
            EXPECT_EQ(service.start(), RavoService::STS_SERVICE_CANNOT_BE_RESTARTED);
            EXPECT_TRUE(logged(capture, "Standalone RAVO service cannot be restarted."));
        }
        EXPECT_EQ(service.stop(1s), 0);
        EXPECT_FALSE(ravo::isEnabled());
        RavoService other = namedService("Other");
        EXPECT_EQ(other.start(), RavoService::STS_SERVICE_CANNOT_BE_RESTARTED);
        EXPECT_FALSE(ravo::isEnabled());
        EXPECT_EQ(ravo::testing::journal().startCalls, 1);
    });
}

TEST(RavoServiceLifecycle, UnknownApplicationNameLeavesTheServiceNeverStarted) {
    inFreshProcess([] {
        RavoService service;
        foundation::log::testing::record_capture capture;
        EXPECT_EQ(service.start(), RavoService::STS_SERVICE_APP_NAME_UNKNOWN);
        EXPECT_TRUE(logged(capture, "applicatioName is unknown."));
        EXPECT_FALSE(ravo::isEnabled());
        EXPECT_EQ(ravo::testing::journal().startCalls, 0);

        service.setApplicationName("Atlas");
        EXPECT_EQ(service.start(), RavoService::STS_SERVICE_SUCCESS);
        EXPECT_TRUE(ravo::isEnabled());
    });
}

TEST(RavoServiceLifecycle, EnvironmentNameReplacesTheConfiguredOne) {
    inFreshProcess([] {
        setenv("ZQ_RAVO_APP_NAME", "FromEnvironment", 1);
        RavoService service = namedService("Configured");
        service.setApplicationVersion("4.2");
        ASSERT_EQ(service.start(), RavoService::STS_SERVICE_SUCCESS);
        EXPECT_EQ(service.getApplicationName(), "FromEnvironment");
        auto start = ravo::testing::journal().lastStart;
        ASSERT_TRUE(start.has_value());
        EXPECT_EQ(start->application.name, "FromEnvironment");
        EXPECT_EQ(start->application.version, "4.2");
        EXPECT_FALSE(start->partner);
    });
    inFreshProcess([] {
        setenv("ZQ_RAVO_APP_NAME", "FromEnvironment", 1);
        RavoService service;
        EXPECT_EQ(service.start(), RavoService::STS_SERVICE_SUCCESS);
    });
}

TEST(RavoServiceLifecycle, HandsEverySettingToTheLoggingLibrary) {
    inFreshProcess([] {
        TempFolder folder;
        RavoService service = namedService();
        service.setRunConfigService(true);
        service.setRequireSchemas(true);
        service.setSchemaSearchPath({u"/schemas/a", u"/schemas/b"});
        service.setPersistencePath(fl::filesystem::basic_path(folder.path().u16string() + u"/items.jsonl"));
        service.setProxyHost("proxy.example");
        service.setProxyPort(3128);
        service.setProxyUsername("ann");
        service.setProxyPassword("secret");
        service.setRetryStrategyInfo({7, 2, 60});
        service.setRequestTimeout(11s);
        service.setApiKey("key-1");
        service.setSessionKey("given-session");
        service.setSendSessionStartAndEnd(true);
        ASSERT_EQ(service.start(), RavoService::STS_SERVICE_SUCCESS);

        auto journal = ravo::testing::journal();
        ASSERT_TRUE(journal.lastStart.has_value());
        const auto& options = journal.lastStart->options;
        EXPECT_TRUE(options.runConfigService);
        EXPECT_TRUE(options.requireSchemas);
        EXPECT_EQ(options.schemaSearchPath,
                  (std::vector<fl::filesystem::basic_path>{u"/schemas/a", u"/schemas/b"}));
        EXPECT_EQ(options.persistencePath.std_path(), folder.path() / "items.jsonl");
        ASSERT_TRUE(options.proxyInfo);
        EXPECT_EQ(options.proxyInfo->host, "proxy.example");
        EXPECT_EQ(options.proxyInfo->port, 3128);
        EXPECT_EQ(options.proxyInfo->username, "ann");
        EXPECT_EQ(options.proxyInfo->password, "secret");
        ASSERT_TRUE(options.retryStrategyInfo);
        EXPECT_EQ(options.retryStrategyInfo->maxAttempts, 7);
        EXPECT_EQ(options.retryStrategyInfo->timeLimitSeconds, 60);
        EXPECT_EQ(options.requestTimeout, 11s);

        ASSERT_TRUE(journal.lastSessionOptions.has_value());
        EXPECT_EQ(journal.lastSessionOptions->sessionKey, "given-session");
        EXPECT_EQ(journal.lastSessionOptions->apiKey, "key-1");
        EXPECT_TRUE(journal.lastSessionOptions->sendSessionStartAndEnd);
        EXPECT_EQ(service.getSessionKey(), "given-session");
    });
}

TEST(RavoServiceLifecycle, NoProxyOrRetryRecordUnlessSomethingNamesThem) {
    inFreshProcess([] {
        RavoService service = namedService();
        service.setProxyPort(8080);
        ASSERT_EQ(service.start(), RavoService::STS_SERVICE_SUCCESS);
        auto start = ravo::testing::journal().lastStart;
        ASSERT_TRUE(start.has_value());
        EXPECT_FALSE(start->options.proxyInfo);
        EXPECT_FALSE(start->options.retryStrategyInfo);
        // A session key is made when none was given.
        EXPECT_EQ(service.getSessionKey().size(), 32u);
    });
    inFreshProcess([] {
        RavoService service = namedService();
        service.setProxyUsername("ann");
        ASSERT_EQ(service.start(), RavoService::STS_SERVICE_SUCCESS);
        auto start = ravo::testing::journal().lastStart;
        ASSERT_TRUE(start.has_value() && start->options.proxyInfo);
        EXPECT_EQ(start->options.proxyInfo->username, "ann");
        EXPECT_EQ(start->options.proxyInfo->host, "");
    });
}

TEST(RavoServiceLifecycle, LogsTheSettingsButNeverThePassword) {
    inFreshProcess([] {
        foundation::log::testing::record_capture capture;
        RavoService service = namedService();
        service.setApplicationVersion("4.2");
        service.setProxyHost("proxy.example");
        service.setProxyPort(3128);
        service.setProxyPassword("pa55-word");
        ASSERT_EQ(service.start(), RavoService::STS_SERVICE_SUCCESS);
        auto messages = ravoMessages(capture);
        ASSERT_GE(messages.size(), 10u);
        EXPECT_EQ(messages[0], "Standalone start is called with:");
        EXPECT_EQ(messages[1], " applicationName: Atlas applicationVersion: 4.2");
        EXPECT_EQ(messages[4], " runConfigService: 0");
        EXPECT_EQ(messages[5], " proxyHost: proxy.example");
        EXPECT_EQ(messages[6], " proxyPort: 3128");
        EXPECT_EQ(messages[8], " proxyPassword: --supplied--");
        EXPECT_EQ(messages[9], "Starting LoggingService");
        for (const auto& record : capture.records()) EXPECT_EQ(record.message.find("pa55-word"), std::string::npos);
    });
    inFreshProcess([] {
        foundation::log::testing::record_capture capture;
        RavoService service = namedService();
        ASSERT_EQ(service.start(), RavoService::STS_SERVICE_SUCCESS);
        EXPECT_TRUE(logged(capture, " proxyPassword: --not supplied--"));
    });
}

TEST(RavoServiceLifecycle, StopWithoutARunningServiceOnlyLogs) {
    inFreshProcess([] {
        foundation::log::testing::record_capture capture;
        RavoService service;
        EXPECT_EQ(service.stop(2s), 0);
        EXPECT_EQ(ravoMessages(capture),
                  (std::vector<std::string>{"Standalone stop is called.", "waitTime to stop (in seconds): 2"}));
        EXPECT_EQ(ravo::testing::journal().stopCalls, 0);
        EXPECT_EQ(ravo::testing::journal().endSessionCalls, 0);
    });
}

TEST(RavoServiceLifecycle, StopEndsTheSessionAndStopsTheLibrary) {
    inFreshProcess([] {
        RavoService service = namedService();
        ASSERT_EQ(service.start(), RavoService::STS_SERVICE_SUCCESS);
        EXPECT_EQ(service.stop(7s), 0);
        auto journal = ravo::testing::journal();
        EXPECT_EQ(journal.stopCalls, 1);
        EXPECT_EQ(journal.lastStopWait, 7s);
        EXPECT_EQ(journal.lastEndedSession, service.getSessionKey());
        EXPECT_FALSE(ravo::isEnabled());
        EXPECT_EQ(service.stop(7s), 0);
        EXPECT_EQ(ravo::testing::journal().stopCalls, 1);
    });
}

TEST(RavoServiceLifecycle, DestroyingAnyObjectStopsTheRunningService) {
    inFreshProcess([] {
        RavoService service = namedService();
        auto bystander = std::make_unique<RavoService>();
        ASSERT_EQ(service.start(), RavoService::STS_SERVICE_SUCCESS);
        foundation::log::testing::record_capture capture;
        bystander.reset();
        EXPECT_TRUE(logged(capture, "~RavoService is called."));
        EXPECT_FALSE(ravo::isEnabled());
        auto journal = ravo::testing::journal();
        EXPECT_EQ(journal.lastStopWait, 4s);
        // The session that start opened is ended, not the bystander's empty one.
        EXPECT_EQ(journal.lastEndedSession, service.getSessionKey());
    });
}

TEST(RavoServiceLifecycle, OptInBeforeAndAfterStart) {
    inFreshProcess([] {
        RavoService service = namedService();
        service.setOptIn(true);
        EXPECT_TRUE(service.getOptIn());
        EXPECT_FALSE(ravo::LoggingService::getService().getOptIn());
        ASSERT_EQ(service.start(), RavoService::STS_SERVICE_SUCCESS);
        EXPECT_TRUE(ravo::LoggingService::getService().getOptIn());

        service.setOptIn(false);
        EXPECT_FALSE(ravo::LoggingService::getService().getOptIn());
        EXPECT_FALSE(service.getOptIn());
        // Any object answers with the running service's state.
        ravo::LoggingService::getService().setOptIn(true);
        EXPECT_TRUE(RavoService().getOptIn());
    });
    inFreshProcess([] {
        RavoService service = namedService();
        service.setBypassOptIn(true);
        ASSERT_EQ(service.start(), RavoService::STS_SERVICE_SUCCESS);
        EXPECT_TRUE(ravo::LoggingService::getService().getOptIn());
        EXPECT_EQ(ravo::testing::journal().optInServiceStarts, 0);
    });
}

TEST(RavoServiceLifecycle, SettingsDrivenOptInStartsTheOptInService) {
    inFreshProcess([] {
        TempFolder folder;
        std::ofstream(folder.path() / "items.jsonl.optin") << "1\n";
        RavoService service = namedService();
        service.setPersistencePath(fl::filesystem::basic_path((folder.path() / "items.jsonl").u16string()));
        service.enableSettingsDrivenOptIn();
        foundation::log::testing::record_capture capture;
        ASSERT_EQ(service.start(), RavoService::STS_SERVICE_SUCCESS);
        EXPECT_TRUE(logged(capture, "Starting OptInService"));
        EXPECT_EQ(ravo::testing::journal().optInServiceStarts, 1);
        EXPECT_TRUE(service.getOptIn());
    });
}

TEST(RavoServiceLifecycle, FailedStartPropagatesAndAllowsALaterStart) {
    inFreshProcess([] {
        TempFolder folder;
        RavoService service = namedService();
        // A folder cannot take the data file.
        service.setPersistencePath(fl::filesystem::basic_path(folder.path().u16string()));
        EXPECT_THROW(service.start(), std::runtime_error);
        EXPECT_FALSE(ravo::isEnabled());

        service.setPersistencePath(fl::filesystem::basic_path((folder.path() / "items.jsonl").u16string()));
        EXPECT_EQ(service.start(), RavoService::STS_SERVICE_SUCCESS);
    });
}

TEST(RavoServiceLifecycle, FailureAfterTheLibraryStartedIsUndone) {
    inFreshProcess([] {
        TempFolder folder;
        auto settings = folder.path() / "items.jsonl.optin";
        std::ofstream(settings) << "garbled\n";
        RavoService service = namedService();
        service.setPersistencePath(fl::filesystem::basic_path((folder.path() / "items.jsonl").u16string()));
        service.enableSettingsDrivenOptIn();
        EXPECT_THROW(service.start(), std::runtime_error);
        EXPECT_FALSE(ravo::isEnabled());
        EXPECT_EQ(ravo::testing::journal().stopCalls, 1);

        std::ofstream(settings) << "0\n";
        EXPECT_EQ(service.start(), RavoService::STS_SERVICE_SUCCESS);
        EXPECT_TRUE(ravo::isEnabled());
    });
}

TEST(RavoServiceLifecycle, StopSwallowsLibraryFailuresAndLogsThem) {
    inFreshProcess([] {
        RavoService service = namedService();
        service.setPersistencePath(u"/dev/full");
        service.setOptIn(true);
        ASSERT_EQ(service.start(), RavoService::STS_SERVICE_SUCCESS);
        EXPECT_EQ(ravo::logRavoData({"click", "1"}, {}, {}).status, ravo::STS_RAVO_WRITE_FAILED);

        foundation::log::testing::record_capture capture;
        EXPECT_EQ(service.stop(0s), 0);
        EXPECT_TRUE(logged(capture, "Unknown exception during RavoService::stop()"));
        auto details = ravoMessages(capture, 16);
        ASSERT_EQ(details.size(), 1u);
        EXPECT_EQ(details[0].rfind("Exception caught: ", 0), 0u);
        EXPECT_NE(details[0].find("1 usage-data items could not be written"), std::string::npos);
    });
}

}  // namespace
