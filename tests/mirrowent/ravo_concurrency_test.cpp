// Many threads starting, stopping, opting in and logging at once.
#include <atomic>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "test_support.h"
#include "usage_data/RavoLogging.h"

namespace {

using namespace mirrowent_test;
using ravo::RavoService;
using namespace std::chrono_literals;

TEST(RavoConcurrency, StartStopOptInAndLoggingFromManyThreads) {
    inFreshProcess([] {
        TempFolder folder;
        RavoService service = namedService();
        service.setPersistencePath(toPath(folder.path() / "items.jsonl"));
        std::atomic<int> tapped{0}, successfulStarts{0}, refusedStarts{0}, written{0}, accepted{0};
        ravo::addTap({}, [&](const ravo::RavoValueMap&) { ++tapped; }, true);

        std::vector<std::thread> others;
        for (int i = 0; i < 3; ++i) {
            others.emplace_back([&] {
                for (int attempt = 0; attempt < 20; ++attempt) {
                    (service.start() == RavoService::STS_SERVICE_SUCCESS ? successfulStarts : refusedStarts)++;
                }
            });
        }
        for (int i = 0; i < 2; ++i) {
            others.emplace_back([&, i] {
                for (int round = 0; round < 200; ++round) service.setOptIn(service.getOptIn() != (i == 0));
            });
        }
        std::vector<std::thread> loggers;
        for (int i = 0; i < 4; ++i) {
            loggers.emplace_back([&] {
                for (std::int64_t item = 0; item < 200; ++item) {
                    auto status = ravo::logRavoData({"tick", "1"}, {{{"item", item}}}, {}).status;
                    written += status == ravo::STS_RAVO_SUCCESS;
                    accepted += status != ravo::STS_RAVO_NOT_ENABLED;
                }
            });
        }
        for (auto& logger : loggers) logger.join();
        // The stop comes after the one start that succeeds, whichever thread made it and however slow it was.
        others.emplace_back([&] {
            const auto giveUp = std::chrono::steady_clock::now() + 10s;
            while (successfulStarts == 0 && std::chrono::steady_clock::now() < giveUp) std::this_thread::yield();
            service.stop(0s);
        });
        for (auto& thread : others) thread.join();

        EXPECT_EQ(successfulStarts, 1);
        EXPECT_EQ(refusedStarts, 59);
        EXPECT_FALSE(ravo::isEnabled());
        EXPECT_EQ(static_cast<int>(readLines(folder.path() / "items.jsonl").size()), written.load());
        EXPECT_EQ(tapped, accepted);
    });
}

}  // namespace
