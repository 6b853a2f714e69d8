// Corners of the grammar that a faster parser could easily lose.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "EditorServices/JsonAccess.h"
#include "ParseResult.h"

using namespace EditorServices;
using foundation::json::Value;

namespace {

JsonArray uint64s(std::initializer_list<std::uint64_t> values) {
    JsonArray array;
    for (auto v : values) array.emplace_back(v);
    return array;
}

TEST(ParserCorners, VerticalTabAndFormFeedAreWhiteSpace) {
    for (const char* space : {"\v", "\f", " \v\f\t\r\n"}) {
        const std::string s = space;
        const std::string text = "{" + s + "\"a\"" + s + ":" + s + "[" + s + "1" + s + "," + s + "2" + s + "]" + s +
                                 "," + s + "\"b\":" + s + "true" + s + "}";
        auto result = parseObject(text);
        ASSERT_EQ(result.status, 0) << static_cast<int>(space[0]);
        EXPECT_EQ(result.members, (JsonObject{{"a", JsonArray{1.0, 2.0}}, {"b", true}}));
        EXPECT_EQ(result.stop, static_cast<std::ptrdiff_t>(text.size()));
    }
    // Only those six: other control bytes are not skipped.
    EXPECT_EQ(parseObject("{\x1f\"a\": 1}").status, 8);
}

TEST(ParserCorners, NegativeZeroKeepsItsSign) {
    auto result = parseObject(R"({"a": -0, "b": -0.0, "c": -0e5, "d": 0})");
    ASSERT_EQ(result.status, 0);
    for (const char* key : {"a", "b", "c"}) {
        const auto* number = std::get_if<double>(&result.members[key].storage());
        ASSERT_NE(number, nullptr) << key;
        EXPECT_EQ(*number, 0.0) << key;
        EXPECT_TRUE(std::signbit(*number)) << key;
    }
    EXPECT_FALSE(std::signbit(std::get<double>(result.members["d"].storage())));
}

TEST(ParserCorners, ASecondIntegerTypeNameReadsTheDataAgain) {
    // The data was read as signed; the later unsigned name reads the same text again. The first name is kept.
    auto result = parseObject(R"({"zqtype": "int8", "zqdata": [-1, 2], "zqtype": "uint8"})");
    ASSERT_EQ(result.status, 0);
    EXPECT_EQ(result.members["zqdata"], Value(uint64s({0, 2})));
    EXPECT_EQ(result.members["zqtype"], Value("int8"));

    // Once read again, the data is not read a third time.
    auto twice = parseObject(R"({"zqdata": [-1, 2], "zqtype": "uint8", "zqtype": "int8"})");
    ASSERT_EQ(twice.status, 0);
    EXPECT_EQ(twice.members["zqdata"], Value(uint64s({0, 2})));
    EXPECT_EQ(twice.members["zqtype"], Value("uint8"));
}

}  // namespace
