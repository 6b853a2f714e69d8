// The free functions: logging items, flushing, taps and the machine hash.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "ravo/LoggingPartnerSupport.h"
#include "ravo/LoggingService.h"
#include "ravo/PlatformInfo.h"
#include "ravo/testing.h"
#include "test_support.h"
#include "usage_data/RavoLogging.h"

namespace {

using namespace mirrowent_test;
using ravo::RavoService;
using namespace std::chrono_literals;

ravo::RavoData clicks(std::int64_t count, const std::string& button = "ok") {
    return ravo::RavoData{{{"count", count}, {"button", button}}};
}

TEST(RavoLogging, NotEnabledBeforeStartAndAfterStop) {
    inFreshProcess([] {
        RavoService service = namedService();
        service.setOptIn(true);
        int tapped = 0;
        ravo::addTap({}, [&](const ravo::RavoValueMap&) { ++tapped; }, true);

        EXPECT_FALSE(ravo::isEnabled());
        EXPECT_EQ(ravo::logRavoData({"click", "1"}, clicks(1), {}).status, ravo::STS_RAVO_NOT_ENABLED);
        ASSERT_EQ(service.start(), RavoService::STS_SERVICE_SUCCESS);
        EXPECT_TRUE(ravo::isEnabled());
        EXPECT_EQ(ravo::logRavoData({"click", "1"}, clicks(2), {}).status, ravo::STS_RAVO_SUCCESS);
        service.stop(0s);
        EXPECT_EQ(ravo::logRavoData({"click", "1"}, clicks(3), {}).status, ravo::STS_RAVO_NOT_ENABLED);

        EXPECT_EQ(ravo::testing::journal().logDataCalls, 1);
        EXPECT_EQ(tapped, 1);
    });
}

TEST(RavoLogging, OptedInItemsBecomeOneJsonLineEach) {
    inFreshProcess([] {
        TempFolder folder;
        auto file = folder.path() / "usage" / "items.jsonl";
        RavoService service = namedService();
        service.setPersistencePath(toPath(file));
        ASSERT_EQ(service.start(), RavoService::STS_SERVICE_SUCCESS);

        EXPECT_EQ(ravo::logRavoData({"click", "1"}, clicks(1), {}).status, ravo::STS_RAVO_NOT_OPTED_IN);
        service.setOptIn(true);
        EXPECT_EQ(ravo::logRavoData({"click", "1"}, clicks(2), {}).status, ravo::STS_RAVO_SUCCESS);
        EXPECT_EQ(ravo::logRavoData({"open", "3"}, {}, {}).status, ravo::STS_RAVO_SUCCESS);
        service.setOptIn(false);
        ravo::logRavoData({"click", "1"}, clicks(4), {});
        service.stop(0s);

        auto lines = readLines(file);
        ASSERT_EQ(lines.size(), 2u);
        auto first = nlohmann::json::parse(lines[0]);
        EXPECT_EQ(first["application"], "Atlas");
        EXPECT_EQ(first["session"], service.getSessionKey());
        EXPECT_EQ(first["name"], "click");
        EXPECT_EQ(first["data"], (nlohmann::json{{"count", 2}, {"button", "ok"}}));
        EXPECT_EQ(nlohmann::json::parse(lines[1])["name"], "open");
    });
}

TEST(RavoLogging, TapsSeeExactlyTheMatchingItems) {
    inFreshProcess([] {
        RavoService service = namedService();
        ASSERT_EQ(service.start(), RavoService::STS_SERVICE_SUCCESS);
        std::vector<ravo::RavoValueMap> all, cancelClicks, consenting;
        int allTap = ravo::addTap({}, [&](const ravo::RavoValueMap& item) { all.push_back(item); }, true);
        ravo::addTap({{"name", "click"}, {"button", "cancel"}},
                     [&](const ravo::RavoValueMap& item) { cancelClicks.push_back(item); }, true);
        ravo::addTap({}, [&](const ravo::RavoValueMap& item) { consenting.push_back(item); }, false);

        ravo::logRavoData({"click", "1"}, clicks(1, "ok"), {});
        ravo::logRavoData({"click", "1"}, clicks(2, "cancel"), {});
        ravo::logRavoData({"scroll", "1"}, clicks(3, "cancel"), {});
        ravo::removeTap(allTap);
        service.setOptIn(true);
        ravo::logRavoData({"click", "1"}, clicks(4, "cancel"), {});

        EXPECT_EQ(all, (std::vector{clicks(1, "ok").values, clicks(2, "cancel").values, clicks(3, "cancel").values}));
        EXPECT_EQ(cancelClicks, (std::vector{clicks(2, "cancel").values, clicks(4, "cancel").values}));
        EXPECT_EQ(consenting, std::vector{clicks(4, "cancel").values});
    });
}

TEST(RavoLogging, FlushLogsAndReachesTheLibraryEvenWhenNotStarted) {
    inFreshProcess([] {
        foundation::log::testing::record_capture capture;
        ravo::flush();
        EXPECT_TRUE(logged(capture, "Standalone flush is called."));
        EXPECT_EQ(ravo::testing::journal().flushCalls, 1);
        EXPECT_EQ(ravo::testing::journal().lastFlushWait, 0);
    });
}

TEST(RavoLogging, MachineHashComesFromThePartnerWhenThereIsOne) {
    inFreshProcess([] {
        const std::string platformHash = ravo::PlatformInfo::getInstance().getMachineHash();
        EXPECT_EQ(platformHash.size(), 16u);
        EXPECT_EQ(RavoService().getMachineHash(), platformHash);

        ravo::LoggingService::start({}, {"Partner", "1"}, true);
        auto partner = ravo::LoggingPartnerSupport::getSupport();
        ASSERT_TRUE(partner);
        EXPECT_NE(partner->getMachineHash(), platformHash);
        EXPECT_EQ(RavoService().getMachineHash(), partner->getMachineHash());
    });
}

}  // namespace
