// Start and stop of the process-wide usage-data service, and what they hand to the logging library.
#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include <gtest/gtest.h>

#include "ravo/LoggingService.h"
#include "ravo/testing.h"
#include "test_support.h"
#include "usage_data/RavoLogging.h"

namespace {

using namespace mirrowent_test;
using ravo::RavoService;
using namespace std::chrono_literals;

TEST(RavoServiceLifecycle, StartsOnceAndRefusesEveryLaterStart) {
    inFreshProcess([] {
        RavoService service = namedService();
        ASSERT_EQ(service.start(), RavoService::STS_SERVICE_SUCCESS);
        EXPECT_TRUE(ravo::isEnabled());
        foundation::log::testing::record_capture capture;
        EXPECT_EQ(service.start(), RavoService::STS_SERVICE_CANNOT_BE_RESTARTED);
        EXPECT_TRUE(logged(capture, "Standalone RAVO service cannot be restarted."));
        service.stop(1s);
        EXPECT_EQ(namedService("Other").start(), RavoService::STS_SERVICE_CANNOT_BE_RESTARTED);
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
        EXPECT_EQ(ravo::testing::journal().startCalls, 0);
        service.setApplicationName("Atlas");
        EXPECT_EQ(service.start(), RavoService::STS_SERVICE_SUCCESS);
    });
}

TEST(RavoServiceLifecycle, EnvironmentNameReplacesTheConfiguredOne) {
    inFreshProcess([] {
        setenv("ZQ_RAVO_APP_NAME", "FromEnvironment", 1);
        RavoService service = namedService("Configured");
        ASSERT_EQ(service.start(), RavoService::STS_SERVICE_SUCCESS);
        EXPECT_EQ(service.getApplicationName(), "FromEnvironment");
        EXPECT_EQ(ravo::testing::journal().lastStart->application.name, "FromEnvironment");
    });
}

TEST(RavoServiceLifecycle, HandsTheSettingsToTheLoggingLibrary) {
    inFreshProcess([] {
        RavoService service = namedService();
        service.setPersistencePath(u"/tmp/items.jsonl");
        service.setSchemaSearchPath({u"/schemas"});
        service.setProxyHost("proxy.example");
        service.setProxyPort(3128);
        service.setProxyPassword("secret");
        service.setRetryStrategyInfo({7, 2, 60});
        service.setRequestTimeout(11s);
        service.setApiKey("key-1");
        service.setSessionKey("given-session");
        ASSERT_EQ(service.start(), RavoService::STS_SERVICE_SUCCESS);

        auto journal = ravo::testing::journal();
        const auto& options = journal.lastStart->options;
        EXPECT_EQ(options.persistencePath, fl::filesystem::basic_path(u"/tmp/items.jsonl"));
        EXPECT_EQ(options.schemaSearchPath, std::vector<fl::filesystem::basic_path>{u"/schemas"});
        ASSERT_TRUE(options.proxyInfo);
        EXPECT_EQ(options.proxyInfo->host, "proxy.example");
        EXPECT_EQ(options.proxyInfo->port, 3128);
        EXPECT_EQ(options.proxyInfo->password, "secret");
        ASSERT_TRUE(options.retryStrategyInfo);
        EXPECT_EQ(options.retryStrategyInfo->timeLimitSeconds, 60);
        EXPECT_EQ(options.requestTimeout, 11s);
        EXPECT_EQ(journal.lastSessionOptions->apiKey, "key-1");
        EXPECT_EQ(service.getSessionKey(), "given-session");
    });
    inFreshProcess([] {
        RavoService service = namedService();
        service.setProxyPort(8080);
        ASSERT_EQ(service.start(), RavoService::STS_SERVICE_SUCCESS);
        auto journal = ravo::testing::journal();
        const auto& options = journal.lastStart->options;
        EXPECT_FALSE(options.proxyInfo) << "a port alone names no proxy";
        EXPECT_FALSE(options.retryStrategyInfo);
        EXPECT_EQ(service.getSessionKey().size(), 32u) << "a session key is made when none was given";
    });
}

TEST(RavoServiceLifecycle, LogsTheSettingsButNeverThePassword) {
    inFreshProcess([] {
        foundation::log::testing::record_capture capture;
        RavoService service = namedService();
        service.setApplicationVersion("4.2");
        service.setProxyPort(3128);
        service.setProxyPassword("pa55-word");
        ASSERT_EQ(service.start(), RavoService::STS_SERVICE_SUCCESS);
        auto messages = ravoMessages(capture);
        ASSERT_GE(messages.size(), 10u);
        EXPECT_EQ(messages[0], "Standalone start is called with:");
        EXPECT_EQ(messages[1], " applicationName: Atlas applicationVersion: 4.2");
        EXPECT_EQ(messages[4], " runConfigService: 0");
        EXPECT_EQ(messages[6], " proxyPort: 3128");
        EXPECT_EQ(messages[8], " proxyPassword: --supplied--");
        EXPECT_EQ(messages[9], "Starting LoggingService");
        for (const auto& record : capture.records()) EXPECT_EQ(record.message.find("pa55-word"), std::string::npos);
    });
}

TEST(RavoServiceLifecycle, StopOnlyLogsUnlessTheServiceRuns) {
    inFreshProcess([] {
        RavoService service = namedService();
        foundation::log::testing::record_capture capture;
        EXPECT_EQ(service.stop(2s), 0);
        EXPECT_EQ(ravoMessages(capture),
                  (std::vector<std::string>{"Standalone stop is called.", "waitTime to stop (in seconds): 2"}));
        EXPECT_EQ(ravo::testing::journal().stopCalls, 0);

        ASSERT_EQ(service.start(), RavoService::STS_SERVICE_SUCCESS);
        EXPECT_EQ(service.stop(7s), 0);
        auto journal = ravo::testing::journal();
        EXPECT_EQ(journal.stopCalls, 1);
        EXPECT_EQ(journal.lastStopWait, 7s);
        EXPECT_EQ(journal.lastEndedSession, service.getSessionKey());
        EXPECT_FALSE(ravo::isEnabled());
    });
}

TEST(RavoServiceLifecycle, DestroyingAnyObjectStopsTheRunningService) {
    inFreshProcess([] {
        RavoService service = namedService();
        auto bystander = std::make_unique<RavoService>();
        ASSERT_EQ(service.start(), RavoService::STS_SERVICE_SUCCESS);
        bystander.reset();
        EXPECT_FALSE(ravo::isEnabled());
        auto journal = ravo::testing::journal();
        EXPECT_EQ(journal.lastStopWait, 4s);
        // The session that start opened is ended, not the bystander's empty one.
        EXPECT_EQ(journal.lastEndedSession, service.getSessionKey());
    });
}

TEST(RavoServiceLifecycle, OptInBeforeAndAfterStart) {
    inFreshProcess([] {
        auto& library = ravo::LoggingService::getService();
        RavoService service = namedService();
        service.setOptIn(true);
        EXPECT_TRUE(service.getOptIn());
        EXPECT_FALSE(library.getOptIn());
        ASSERT_EQ(service.start(), RavoService::STS_SERVICE_SUCCESS);
        EXPECT_TRUE(library.getOptIn());
        service.setOptIn(false);
        EXPECT_FALSE(library.getOptIn());
        library.setOptIn(true);
        EXPECT_TRUE(service.getOptIn());
        EXPECT_EQ(ravo::testing::journal().optInServiceStarts, 0);
    });
    inFreshProcess([] {
        TempFolder folder;
        std::ofstream(folder.path() / "items.jsonl.optin") << "1\n";
        RavoService service = namedService();
        service.setPersistencePath(toPath(folder.path() / "items.jsonl"));
        service.enableSettingsDrivenOptIn();
        foundation::log::testing::record_capture capture;
        ASSERT_EQ(service.start(), RavoService::STS_SERVICE_SUCCESS);
        EXPECT_TRUE(logged(capture, "Starting OptInService"));
        EXPECT_TRUE(service.getOptIn()) << "the kept choice applies";
    });
}

TEST(RavoServiceLifecycle, FailedStartsPropagateAndAllowALaterStart) {
    inFreshProcess([] {
        TempFolder folder;
        RavoService service = namedService();
        service.setPersistencePath(toPath(folder.path()));
        EXPECT_THROW(service.start(), std::runtime_error) << "a folder cannot take the data file";
        EXPECT_FALSE(ravo::isEnabled());
        service.setPersistencePath(toPath(folder.path() / "items.jsonl"));
        EXPECT_EQ(service.start(), RavoService::STS_SERVICE_SUCCESS);
    });
    inFreshProcess([] {
        TempFolder folder;
        auto settings = folder.path() / "items.jsonl.optin";
        std::ofstream(settings) << "garbled\n";
        RavoService service = namedService();
        service.setPersistencePath(toPath(folder.path() / "items.jsonl"));
        service.enableSettingsDrivenOptIn();
        EXPECT_THROW(service.start(), std::runtime_error) << "thrown after the library had started";
        EXPECT_FALSE(ravo::isEnabled());
        std::ofstream(settings) << "0\n";
        EXPECT_EQ(service.start(), RavoService::STS_SERVICE_SUCCESS);
    });
}

TEST(RavoServiceLifecycle, StopSwallowsLibraryFailuresAndStillStops) {
    inFreshProcess([] {
        {
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

            // The library did stop: so does the service, whatever the stop reported.
            EXPECT_FALSE(ravo::isEnabled());
            EXPECT_EQ(ravo::logRavoData({"click", "1"}, {}, {}).status, ravo::STS_RAVO_NOT_ENABLED);
            EXPECT_EQ(service.start(), RavoService::STS_SERVICE_CANNOT_BE_RESTARTED);
        }
        EXPECT_EQ(ravo::testing::journal().stopCalls, 1) << "the destructor stopped again";
    });
}

}  // namespace
