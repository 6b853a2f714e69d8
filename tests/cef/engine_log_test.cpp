#include <cstdlib>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cef/logging.h"
#include "cef/testing.h"

namespace {

using ::testing::ElementsAre;

int evaluations = 0;
int counted() { return ++evaluations; }

TEST(EngineLog, RecordsKeepTheirSeverityAndText) {
    cef::testing::LogCapture capture;
    LOG(INFO) << "In tarnel_interface::notifyWindowClose :" << "w1";
    VLOG(1) << "Sending zoom event";
    LOG(ERROR) << "bad " << 3;
    const auto records = capture.records();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].severity, cef::logging::LOGSEVERITY_INFO);
    EXPECT_EQ(records[0].message, "In tarnel_interface::notifyWindowClose :w1");
    EXPECT_EQ(records[1].severity, -1);
    EXPECT_EQ(records[1].message, "Sending zoom event");
    EXPECT_EQ(records[2].message, "bad 3");
}

TEST(EngineLog, RecordsBelowTheMinimumAreNotFormatted) {
    if (std::getenv("VELTRANE_ENGINE_LOG_LEVEL")) GTEST_SKIP() << "the environment sets the minimum";
    ASSERT_EQ(cef::logging::minimumSeverity(), cef::logging::LOGSEVERITY_WARNING);
    evaluations = 0;
    LOG(INFO) << counted();
    VLOG(1) << counted();
    EXPECT_EQ(evaluations, 0);
    EXPECT_TRUE(cef::logging::isOn(cef::logging::LOGSEVERITY_ERROR));
}

}  // namespace
