// What removing a tap promises while other threads log.
#include <atomic>
#include <memory>
#include <thread>

#include <gtest/gtest.h>

#include "test_support.h"
#include "usage_data/RavoLogging.h"

namespace {

using namespace mirrowent_test;
using ravo::RavoService;
using namespace std::chrono_literals;

ravo::RavoData item() { return ravo::RavoData{{{"button", std::string("ok")}}}; }

TEST(RavoTapRemoval, NoCallRunsOrStartsOnceRemoveTapHasReturned) {
    inFreshProcess([] {
        RavoService service = namedService();
        ASSERT_EQ(service.start(), RavoService::STS_SERVICE_SUCCESS);
        std::atomic<bool> stop{false};
        std::vector<std::thread> loggers;
        for (int i = 0; i < 4; ++i) {
            loggers.emplace_back([&] {
                while (!stop) ravo::logRavoData({"click", "1"}, item(), {});
            });
        }
        std::atomic<int> lateCalls{0};
        for (int round = 0; round < 300; ++round) {
            // Stands for whatever the caller frees once the tap is gone.
            auto removed = std::make_shared<std::atomic<bool>>(false);
            auto calls = std::make_shared<std::atomic<int>>(0);
            int id = ravo::addTap({}, [&lateCalls, removed, calls](const ravo::RavoValueMap&) {
                ++*calls;
                if (*removed) ++lateCalls;
                std::this_thread::yield();
                if (*removed) ++lateCalls;
            }, true);
            while (*calls == 0) std::this_thread::yield();
            ravo::removeTap(id);
            *removed = true;
        }
        stop = true;
        for (auto& logger : loggers) logger.join();
        EXPECT_EQ(lateCalls, 0);
    });
}

TEST(RavoTapRemoval, ATapMayRemoveItselfAndOthersFromItsCallback) {
    inFreshProcess([] {
        RavoService service = namedService();
        ASSERT_EQ(service.start(), RavoService::STS_SERVICE_SUCCESS);
        int selfCalls = 0, otherCalls = 0;
        int other = ravo::addTap({}, [&](const ravo::RavoValueMap&) { ++otherCalls; }, true);
        int self = 0;
        self = ravo::addTap({}, [&](const ravo::RavoValueMap&) {
            ++selfCalls;
            ravo::removeTap(self);
            ravo::removeTap(other);
        }, true);
        ravo::logRavoData({"click", "1"}, item(), {});
        ravo::logRavoData({"click", "1"}, item(), {});
        EXPECT_EQ(selfCalls, 1);
        EXPECT_EQ(otherCalls, 1) << "the other tap was called before the removing one";
    });
}

TEST(RavoTapRemoval, ATapMayRemoveItselfWhileAnotherThreadRunsIt) {
    inFreshProcess([] {
        RavoService service = namedService();
        ASSERT_EQ(service.start(), RavoService::STS_SERVICE_SUCCESS);
        std::atomic<int> inside{0};
        std::atomic<bool> removing{false};
        int id = 0;
        id = ravo::addTap({}, [&](const ravo::RavoValueMap&) {
            if (++inside == 2) {
                removing = true;
                ravo::removeTap(id);
            } else {
                while (!removing) std::this_thread::yield();
            }
        }, true);
        std::thread first([] { ravo::logRavoData({"click", "1"}, item(), {}); });
        while (inside == 0) std::this_thread::yield();
        ravo::logRavoData({"click", "1"}, item(), {});
        first.join();
        ravo::logRavoData({"click", "1"}, item(), {});
        EXPECT_EQ(inside, 2);
    });
}

}  // namespace
