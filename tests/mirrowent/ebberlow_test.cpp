// The usage-data logging library on its own: item lines, kept opt-in choices, sessions and write failures.
#include <fstream>
#include <stdexcept>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "ravo/LoggingService.h"
#include "ravo/OptInService.h"
#include "ravo/SharedLoggingService.h"
#include "test_support.h"

namespace {

using mirrowent_test::inFreshProcess;
using mirrowent_test::readLines;
using mirrowent_test::TempFolder;
using namespace std::chrono_literals;

ravo::LoggingServiceOptions persistingTo(const std::filesystem::path& file) {
    ravo::LoggingServiceOptions options;
    options.persistencePath = fl::filesystem::basic_path(file.u16string());
    return options;
}

TEST(Ebberlow, EveryValueKindBecomesJson) {
    inFreshProcess([] {
        TempFolder folder;
        auto file = folder.path() / "items.jsonl";
        ravo::LoggingService::start(persistingTo(file), {"Atlas", "1"}, false);
        auto& service = ravo::LoggingService::getService();
        service.setOptIn(true);
        ravo::RavoData data{{
            {"text", std::string("caf\xc3\xa9 \xff")},
            {"small", std::uint32_t{7}},
            {"big", std::int64_t{-9000000000}},
            {"ratio", 0.5},
            {"flag", true},
            {"words", std::vector<std::string>{"a", "b"}},
            {"numbers", std::vector<std::int64_t>{1, -2}},
            {"ratios", std::vector<double>{0.25}},
            {"flags", std::vector<bool>{true, false}},
            {"nothing", ravo::NullValue{}},
        }};
        ravo::RavoOption option{std::chrono::system_clock::time_point(1234ms)};
        EXPECT_EQ(service.logData({"kinds", "2"}, data, option).status, ravo::STS_RAVO_SUCCESS);
        service.stop(0s);

        auto lines = readLines(file);
        ASSERT_EQ(lines.size(), 1u);
        auto item = nlohmann::json::parse(lines[0]);
        EXPECT_EQ(item["time"], 1234);
        EXPECT_EQ(item["version"], "2");
        auto expected = nlohmann::json::parse(R"({"text": "café )" "\xef\xbf\xbd" R"(", "small": 7,
            "big": -9000000000, "ratio": 0.5, "flag": true, "words": ["a", "b"], "numbers": [1, -2],
            "ratios": [0.25], "flags": [true, false], "nothing": null})");
        EXPECT_EQ(item["data"], expected);
    });
}

TEST(Ebberlow, StartRefusesASecondStartAndAnEmptyName) {
    inFreshProcess([] {
        EXPECT_THROW(ravo::LoggingService::start({}, {"", "1"}, false), std::invalid_argument);
        ravo::LoggingService::start({}, {"Atlas", "1"}, false);
        EXPECT_THROW(ravo::LoggingService::start({}, {"Atlas", "1"}, false), std::logic_error);
        ravo::LoggingService::getService().stop(0s);
        EXPECT_FALSE(ravo::SharedLoggingService::getSharedService());
        EXPECT_THROW(ravo::OptInService::start(), std::logic_error);
    });
}

TEST(Ebberlow, OptInChoiceIsKeptForTheNextStart) {
    inFreshProcess([] {
        TempFolder folder;
        auto file = folder.path() / "items.jsonl";
        auto& service = ravo::LoggingService::getService();
        ravo::LoggingService::start(persistingTo(file), {"Atlas", "1"}, false);
        ravo::OptInService::start();
        service.setOptIn(true);
        service.stop(0s);

        service.setOptIn(false);
        ravo::LoggingService::start(persistingTo(file), {"Atlas", "1"}, false);
        ravo::OptInService::start();
        EXPECT_TRUE(service.getOptIn());
        service.stop(0s);

        std::ofstream(folder.path() / "items.jsonl.optin") << "yes\n";
        ravo::LoggingService::start(persistingTo(file), {"Atlas", "1"}, false);
        EXPECT_THROW(ravo::OptInService::start(), std::runtime_error);
    });
}

TEST(Ebberlow, SessionsAnnounceThemselvesOnceAndTagTheItems) {
    inFreshProcess([] {
        TempFolder folder;
        auto file = folder.path() / "items.jsonl";
        ravo::LoggingService::start(persistingTo(file), {"Atlas", "1"}, false);
        auto& service = ravo::LoggingService::getService();
        service.setOptIn(true);
        auto shared = ravo::SharedLoggingService::getSharedService();
        ASSERT_TRUE(shared);
        std::string key = shared->startSession({"Atlas", "1"}, {"", "api", true});
        EXPECT_EQ(shared->startSession({"Atlas", "1"}, {key, "api", true}), key);
        service.logData({"click", "1"}, {}, {});
        shared->endSession(key);
        shared->endSession(key);
        shared->endSession("never-started");
        service.stop(0s);
        EXPECT_THROW(shared->startSession({"Atlas", "1"}, {}), std::logic_error);

        auto lines = readLines(file);
        ASSERT_EQ(lines.size(), 3u);
        auto start = nlohmann::json::parse(lines[0]);
        EXPECT_EQ(start["name"], "session.start");
        EXPECT_EQ(start["data"]["sessionKey"], key);
        EXPECT_EQ(nlohmann::json::parse(lines[1])["session"], key);
        EXPECT_EQ(nlohmann::json::parse(lines[2])["name"], "session.end");
    });
}

TEST(Ebberlow, LostItemsAreReportedOnce) {
    inFreshProcess([] {
        ravo::LoggingService::start(persistingTo("/dev/full"), {"Atlas", "1"}, false);
        auto& service = ravo::LoggingService::getService();
        service.setOptIn(true);
        EXPECT_EQ(service.logData({"click", "1"}, {}, {}).status, ravo::STS_RAVO_WRITE_FAILED);
        EXPECT_EQ(service.logData({"click", "1"}, {}, {}).status, ravo::STS_RAVO_WRITE_FAILED);
        try {
            service.flush(0);
            ADD_FAILURE() << "flush reported nothing";
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(std::string(error.what()), "2 usage-data items could not be written to /dev/full");
        }
        EXPECT_NO_THROW(service.flush(0));
        EXPECT_NO_THROW(service.stop(0s));
    });
}

}  // namespace
