// Many threads starting, stopping, opting in and logging at once.
#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include "test_support.h"
#include "usage_data/RavoLogging.h"
#include "usage_data/RavoService.h"

namespace {

using mirrowent_test::inFreshProcess;
using mirrowent_test::readLines;
using mirrowent_test::TempFolder;
using ravo::RavoService;
using namespace std::chrono_literals;

TEST(RavoConcurrency, StartStopOptInAndLoggingFromManyThreads) {
    inFreshProcess([] {
        TempFolder folder;
        auto file = folder.path() / "items.jsonl";
        RavoService service;
        service.setApplicationName("Atlas");
        service.setPersistencePath(fl::filesystem::basic_path(file.u16string()));

        std::atomic<int> tapped{0};
        ravo::addTap({}, [&](const ravo::RavoValueMap&) { ++tapped; }, true);

        constexpr int kLoggers = 4;
        constexpr int kItemsEach = 200;
        std::atomic<int> successfulStarts{0};
        std::atomic<int> refusedStarts{0};
        std::atomic<int> written{0};
        std::atomic<int> accepted{0};
        std::atomic<bool> loggingDone{false};
        std::vector<std::thread> threads;
        for (int i = 0; i < 3; ++i) {
            threads.emplace_back([&] {
                for (int attempt = 0; attempt < 20; ++attempt) {
                    int status = service.start();
                    (status == RavoService::STS_SERVICE_SUCCESS ? successfulStarts : refusedStarts)++;
                }
            });
        }
        for (int i = 0; i < 2; ++i) {
            threads.emplace_back([&, i] {
                for (int round = 0; round < 200; ++round) {
                    service.setOptIn((round + i) % 2 == 0);
                    service.getOptIn();
                }
            });
        }
        std::vector<std::thread> loggers;
        for (int i = 0; i < kLoggers; ++i) {
            loggers.emplace_back([&] {
                for (int item = 0; item < kItemsEach; ++item) {
                    auto status = ravo::logRavoData({"tick", "1"}, {{{"item", std::int64_t{item}}}}, {}).status;
                    if (status == ravo::STS_RAVO_SUCCESS) ++written;
                    if (status != ravo::STS_RAVO_NOT_ENABLED) ++accepted;
                    ravo::isEnabled();
                }
            });
        }
        threads.emplace_back([&] {
            while (!loggingDone) std::this_thread::yield();
            service.stop(0s);
        });
        for (auto& logger : loggers) logger.join();
        loggingDone = true;
        for (auto& thread : threads) thread.join();

        EXPECT_EQ(successfulStarts, 1);
        EXPECT_EQ(refusedStarts, 59);
        EXPECT_FALSE(ravo::isEnabled());
        EXPECT_EQ(static_cast<int>(readLines(file).size()), written.load());
        EXPECT_EQ(tapped, accepted);
    });
}

}  // namespace
