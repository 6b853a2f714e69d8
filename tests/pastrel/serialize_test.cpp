#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "EditorServices/JsonAccess.h"
#include "ParseResult.h"
#include "foundation/json/value.h"

using foundation::json::serialize;
using foundation::json::Value;
using Object = Value::Object;
using Array = Value::Array;

namespace {

TEST(Serialize, WritesStandardTextInKeyOrder) {
    Value value(Object{{"b", Array{true, false, foundation::json::Null{}, Value()}}, {"a", 1.5}, {"c", Object{}}});
    EXPECT_EQ(serialize(value), R"({"a":1.5,"b":[true,false,null,null],"c":{}})");
}

TEST(Serialize, IntegersAreExact) {
    Value value(Array{std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max(),
                      std::numeric_limits<std::uint64_t>::max()});
    EXPECT_EQ(serialize(value), "[-9223372036854775808,9223372036854775807,18446744073709551615]");
}

TEST(Serialize, DoublesTakeTheShortestTextThatReadsBack) {
    EXPECT_EQ(serialize(Value(0.1)), "0.1");
    EXPECT_EQ(serialize(Value(1.0)), "1");
    EXPECT_EQ(serialize(Value(-2.5f)), "-2.5");
    EXPECT_EQ(serialize(Value(std::nan(""))), "null");
    EXPECT_EQ(serialize(Value(std::numeric_limits<double>::infinity())), "null");
    for (double number : {5e-324, 1.7976931348623157e308, 123456.789, -0.000123, 1e21}) {
        EXPECT_EQ(foundation::json::detail::string_to_double(serialize(Value(number)).c_str()), number);
    }
}

TEST(Serialize, EveryStringParsesBackUnchanged) {
    std::string allBytes;
    for (int byte = 0; byte < 256; ++byte) allBytes += static_cast<char>(byte);
    Object original{{allBytes, allBytes}, {"quote\"back\\slash", "\b\f\n\r\t\x1f\x7f"}};
    const std::string text = serialize(Value(original));
    for (char byte : text) EXPECT_FALSE(static_cast<unsigned char>(byte) < 0x20) << "raw control byte in text";
    auto parsed = parseObject(text);
    ASSERT_EQ(parsed.status, 0);
    EXPECT_EQ(parsed.members, original);
}

TEST(Serialize, NumberLexemesIgnoreTheProcessLocale) {
    EXPECT_EQ(foundation::json::detail::string_to_double("-1.25e2"), -125.0);
    EXPECT_EQ(foundation::json::detail::string_to_double("1e400"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(foundation::json::detail::string_to_double("1e-400"), 0.0);
}

}  // namespace
