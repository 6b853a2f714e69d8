#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <stdexcept>

#include "EditorServices/JsonAccess.h"
#include "ParseResult.h"

using namespace EditorServices;
using foundation::json::Value;

namespace {

constexpr auto int64Max = std::numeric_limits<std::int64_t>::max();
constexpr auto int64Min = std::numeric_limits<std::int64_t>::min();
constexpr auto uint64Max = std::numeric_limits<std::uint64_t>::max();

JsonArray int64s(std::initializer_list<std::int64_t> values) {
    JsonArray array;
    for (auto v : values) array.emplace_back(v);
    return array;
}

JsonArray uint64s(std::initializer_list<std::uint64_t> values) {
    JsonArray array;
    for (auto v : values) array.emplace_back(v);
    return array;
}

TEST(TypedIntegers, ReadInEitherMemberOrder) {
    for (const char* text : {R"({"zqtype": "int8", "zqdata": [1, -2, 300]})",
                             R"({"zqdata": [1, -2, 300], "zqtype": "int8"})",
                             R"({"zqdata" : [ 1 ,-2,300 ] , "zqtype":"int8"})"}) {
        auto result = parseObject(text);
        ASSERT_EQ(result.status, 0) << text;
        EXPECT_EQ(result.members["zqdata"], Value(int64s({1, -2, 300}))) << text;
        EXPECT_EQ(result.members["zqtype"], Value("int8")) << text;
    }
}

TEST(TypedIntegers, SaturateAtTheLimitsOfTheirSign) {
    auto unsignedResult = parseObject(R"({"zqtype": "uint32", "zqdata": [-5, 99999999999999999999999, 18446744073709551615]})");
    ASSERT_EQ(unsignedResult.status, 0);
    EXPECT_EQ(unsignedResult.members["zqdata"], Value(uint64s({0, uint64Max, uint64Max})));

    auto signedResult = parseObject(
        R"({"zqtype": "int64", "zqdata": [-99999999999999999999, 9223372036854775807, 9223372036854775808, -9223372036854775808, 0]})");
    ASSERT_EQ(signedResult.status, 0);
    EXPECT_EQ(signedResult.members["zqdata"], Value(int64s({int64Min, int64Max, int64Max, int64Min, 0})));
}

TEST(TypedIntegers, NarrowNamesKeepTheWholeValue) {
    auto result = parseObject(R"({"zqtype": "uint8", "zqdata": [65536]})");
    ASSERT_EQ(result.status, 0);
    EXPECT_EQ(result.members["zqdata"], Value(uint64s({65536})));
}

TEST(TypedIntegers, RejectWhatIsNotAnIntegerArray) {
    struct Case {
        const char* text;
        std::int32_t status;
    };
    for (const Case& c : {Case{R"({"zqtype": "int32", "zqdata": 5})", 14}, Case{R"({"zqtype": "int32", "zqdata": [1.5]})", 20},
                          Case{R"({"zqtype": "int32", "zqdata": [1e3]})", 20}, Case{R"({"zqtype": "int32", "zqdata": ["1"]})", 20},
                          Case{R"({"zqtype": "int32", "zqdata": [-]})", 20}, Case{R"({"zqtype": "int32", "zqdata": [01]})", 15},
                          Case{R"({"zqtype": "int32", "zqdata": [1 .5]})", 20}, Case{R"({"zqtype": "int32", "zqdata": [1;2]})", 15},
                          Case{R"({"zqtype": "int32", "zqdata": [1,)", 19}, Case{R"({"zqdata": [2.5], "zqtype": "int16"})", 20},
                          Case{R"({"zqdata": 7, "zqtype": "uint16"})", 14}}) {
        EXPECT_EQ(parseObject(c.text).status, c.status) << c.text;
    }
}

TEST(TypedIntegers, OtherTypeNamesAreOrdinaryMembers) {
    auto result = parseObject(R"({"zqtype": "float", "zqdata": [1]})");
    ASSERT_EQ(result.status, 0);
    EXPECT_EQ(result.members["zqtype"], Value("float"));
    EXPECT_EQ(result.members["zqdata"], Value(JsonArray{1.0}));
}

TEST(TypedIntegers, EachObjectHasItsOwnTypeName) {
    auto result = parseObject(R"({"inner": {"zqtype": "int8", "zqdata": [1]}, "zqdata": [2]})");
    ASSERT_EQ(result.status, 0);
    EXPECT_EQ(get<JsonObject>(result.members["inner"])["zqdata"], Value(int64s({1})));
    EXPECT_EQ(result.members["zqdata"], Value(JsonArray{2.0}));
    auto empty = parseObject(R"({"zqtype": "uint64", "zqdata": []})");
    EXPECT_EQ(empty.members["zqdata"], Value(JsonArray{}));
}

TEST(TypedIntegers, ATypeNameThatIsNotTextThrows) {
    try {
        parseObject(R"({"zqtype": 5, "zqdata": [1]})");
        FAIL() << "no conversion error";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "invalid conversion: double to string");
    }
}

TEST(TypedIntegers, TypeNamesAreExact) {
    for (const char* name : {"int64", "int32", "int16", "int8"}) {
        EXPECT_TRUE(isIntegerTypeName(name)) << name;
        EXPECT_TRUE(isSignedIntegerTypeName(name)) << name;
    }
    for (const char* name : {"uint64", "uint32", "uint16", "uint8"}) {
        EXPECT_TRUE(isIntegerTypeName(name)) << name;
        EXPECT_FALSE(isSignedIntegerTypeName(name)) << name;
    }
    for (const char* name : {"Int8", "int", "int128", "uint", "", "int8 ", "float"}) {
        EXPECT_FALSE(isIntegerTypeName(name)) << name;
        EXPECT_FALSE(isSignedIntegerTypeName(name)) << name;
    }
}

}  // namespace
