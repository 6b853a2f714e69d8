// The usage-data logging library on its own: item lines, sessions and write failures.
#include <fstream>
#include <stdexcept>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "ravo/LoggingService.h"
#include "ravo/SharedLoggingService.h"
#include "test_support.h"

namespace {

using namespace mirrowent_test;
using namespace std::chrono_literals;

ravo::LoggingService& startOptedIn(const std::filesystem::path& file) {
    ravo::LoggingServiceOptions options;
    options.persistencePath = toPath(file);
    ravo::LoggingService::start(options, {"Atlas", "1"}, false);
    auto& service = ravo::LoggingService::getService();
    service.setOptIn(true);
    return service;
}

TEST(Ebberlow, EveryValueKindBecomesJson) {
    inFreshProcess([] {
        TempFolder folder;
        auto& service = startOptedIn(folder.path() / "items.jsonl");
        ravo::RavoData data{{
            {"text", std::string("caf\xc3\xa9 \xff")},
            {"small", std::uint32_t{7}},
            {"big", std::int64_t{-9000000000}},
            {"ratio", 0.5},
            {"flag", true},
            {"words", std::vector<std::string>{"a"}},
            {"numbers", std::vector<std::int64_t>{1, -2}},
            {"ratios", std::vector<double>{0.25}},
            {"flags", std::vector<bool>{true, false}},
            {"nothing", ravo::NullValue{}},
        }};
        ravo::RavoOption option{std::chrono::system_clock::time_point(1234ms)};
        EXPECT_EQ(service.logData({"kinds", "2"}, data, option).status, ravo::STS_RAVO_SUCCESS);
        service.stop(0s);

        auto lines = readLines(folder.path() / "items.jsonl");
        ASSERT_EQ(lines.size(), 1u);
        auto item = nlohmann::json::parse(lines[0]);
        EXPECT_EQ(item["time"], 1234);
        // Bytes that are not UTF-8 become U+FFFD.
        auto expected = nlohmann::json::parse(R"({"text": "café )" "\xef\xbf\xbd" R"(", "small": 7,
            "big": -9000000000, "ratio": 0.5, "flag": true, "words": ["a"], "numbers": [1, -2],
            "ratios": [0.25], "flags": [true, false], "nothing": null})");
        EXPECT_EQ(item["data"], expected);
    });
}

TEST(Ebberlow, SessionsAnnounceThemselvesOnceAndTagTheItems) {
    inFreshProcess([] {
        TempFolder folder;
        auto& service = startOptedIn(folder.path() / "items.jsonl");
        auto shared = ravo::SharedLoggingService::getSharedService();
        ASSERT_TRUE(shared);
        std::string key = shared->startSession({"Atlas", "1"}, {"", "api", true});
        EXPECT_EQ(shared->startSession({"Atlas", "1"}, {key, "api", true}), key);
        service.logData({"click", "1"}, {}, {});
        shared->endSession(key);
        shared->endSession(key);
        service.stop(0s);
        EXPECT_THROW(shared->startSession({"Atlas", "1"}, {}), std::logic_error);

        auto lines = readLines(folder.path() / "items.jsonl");
        ASSERT_EQ(lines.size(), 3u);
        EXPECT_EQ(nlohmann::json::parse(lines[0])["data"]["sessionKey"], key);
        EXPECT_EQ(nlohmann::json::parse(lines[1])["session"], key);
        EXPECT_EQ(nlohmann::json::parse(lines[2])["name"], "session.end");
    });
}

TEST(Ebberlow, LostItemsAreReportedOnce) {
    inFreshProcess([] {
        auto& service = startOptedIn("/dev/full");
        EXPECT_EQ(service.logData({"click", "1"}, {}, {}).status, ravo::STS_RAVO_WRITE_FAILED);
        EXPECT_EQ(service.logData({"click", "1"}, {}, {}).status, ravo::STS_RAVO_WRITE_FAILED);
        try {
            service.flush(0);
            ADD_FAILURE() << "flush reported nothing";
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(std::string(error.what()), "2 usage-data items could not be written to /dev/full");
        }
        EXPECT_NO_THROW(service.stop(0s));
    });
}

}  // namespace
