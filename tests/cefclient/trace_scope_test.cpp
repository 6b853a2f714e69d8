// Scope traces and message style of the browser host's loggers.
#include <sstream>
#include <stdexcept>

#include <gtest/gtest.h>

#include "cefclient/FunctionTraceScope.h"
#include "cefclient/LogStyle.h"
#include "foundation/log/testing.h"

namespace {

foundation::log::diagnostic_logger& testLogger() {
    static foundation::log::diagnostic_logger logger("veltrane::trace_scope_test");
    return logger;
}

void traced() { VELTRANE_TRACE_SCOPE(testLogger()); FOUNDATION_LOG(testLogger(), veltrane_log::kDebug) << "inside"; }

void tracedThrowing() {
    VELTRANE_TRACE_SCOPE(testLogger());
    throw std::runtime_error("boom");
}

void tracedOuter() {
    VELTRANE_TRACE_SCOPE(testLogger());
    traced();
}

struct FormatCounter {
    int* count;
};

std::ostream& operator<<(std::ostream& out, const FormatCounter& counter) {
    ++*counter.count;
    return out << "counted";
}

class TraceScopeTest : public ::testing::Test {
protected:
    void SetUp() override { testLogger().set_mask(0xFFFF); }
    void TearDown() override {
        testLogger().set_mask(0);
        foundation::log::set_logging_enabled(true);
    }
    std::vector<foundation::log::testing::captured_record> records() const {
        return capture.records("veltrane::trace_scope_test");
    }
    foundation::log::testing::record_capture capture;
};

}  // namespace

TEST_F(TraceScopeTest, EntryAndExitRecordsStandAtOneIndentWithBodyOneDeeper) {
    const int before = testLogger().indent().level();
    traced();
    auto recs = records();
    ASSERT_EQ(recs.size(), 3u);
    EXPECT_EQ(recs[0].severity, 32u);
    EXPECT_NE(recs[0].message.find("void {anonymous}::traced()"), std::string::npos) << recs[0].message;
    EXPECT_EQ(recs[1].message, "inside");
    EXPECT_EQ(recs[1].indent, recs[0].indent + 1);
    EXPECT_EQ(recs[2].severity, 64u);
    EXPECT_EQ(recs[2].message, recs[0].message);
    EXPECT_EQ(recs[2].indent, recs[0].indent);
    EXPECT_EQ(testLogger().indent().level(), before);
}

TEST_F(TraceScopeTest, NestedScopesIndentOneMoreLevel) {
    tracedOuter();
    auto recs = records();
    ASSERT_EQ(recs.size(), 5u);
    EXPECT_EQ(recs[1].indent, recs[0].indent + 1);  // inner entry
    EXPECT_EQ(recs[2].indent, recs[0].indent + 2);  // inner body
    EXPECT_EQ(recs[3].indent, recs[1].indent);      // inner exit
    EXPECT_EQ(recs[4].indent, recs[0].indent);      // outer exit
}

TEST_F(TraceScopeTest, ExceptionLeavingScopeMarksExitRecord) {
    EXPECT_THROW(tracedThrowing(), std::runtime_error);
    auto recs = records();
    ASSERT_EQ(recs.size(), 2u);
    EXPECT_EQ(recs[1].message, recs[0].message + " [throw]");
    EXPECT_EQ(recs[1].indent, recs[0].indent);
}

TEST_F(TraceScopeTest, ScopeRunDuringUnwindingOfAnotherExceptionIsNotMarked) {
    struct TracesInDestructor {
        ~TracesInDestructor() { traced(); }
    };
    try {
        TracesInDestructor guard;
        throw std::runtime_error("outer");
    } catch (const std::runtime_error&) {
    }
    auto recs = records();
    ASSERT_EQ(recs.size(), 3u);
    EXPECT_EQ(recs[2].message, recs[0].message);
}

TEST_F(TraceScopeTest, MaskWithoutEntryBitWritesNothingAndKeepsIndent) {
    testLogger().set_mask(0xFFFF & ~32u);
    const int before = testLogger().indent().level();
    traced();
    EXPECT_THROW(tracedThrowing(), std::runtime_error);
    auto recs = records();
    ASSERT_EQ(recs.size(), 1u);  // only the body record
    EXPECT_EQ(recs[0].message, "inside");
    EXPECT_EQ(recs[0].indent, before);
    EXPECT_EQ(testLogger().indent().level(), before);
}

TEST_F(TraceScopeTest, LoggingCoreOffWritesNothingButKeepsIndentBalanced) {
    const int before = testLogger().indent().level();
    foundation::log::set_logging_enabled(false);
    traced();
    foundation::log::set_logging_enabled(true);
    EXPECT_TRUE(records().empty());
    EXPECT_EQ(testLogger().indent().level(), before);
}

TEST_F(TraceScopeTest, RecordBelowMaskIsNotFormatted) {
    testLogger().set_mask(veltrane_log::kError);
    int formatted = 0;
    FOUNDATION_LOG(testLogger(), veltrane_log::kDebug) << FormatCounter{&formatted};
    EXPECT_EQ(formatted, 0);
    FOUNDATION_LOG(testLogger(), veltrane_log::kError) << FormatCounter{&formatted};
    EXPECT_EQ(formatted, 1);
    EXPECT_EQ(records().size(), 1u);
}

TEST(LogStyle, KeyValuePairsAreBlankKeyEqualsValue) {
    std::ostringstream out;
    out << "Window moved" << veltrane_log::kv("width", 640) << veltrane_log::kv("url", std::string("a b"));
    EXPECT_EQ(out.str(), "Window moved width=640 url=a b");
    std::ostringstream flags;
    flags << std::boolalpha << veltrane_log::kv("on", true) << veltrane_log::kv("off", false);
    EXPECT_EQ(flags.str(), " on=1 off=0");
}
