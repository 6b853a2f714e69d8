#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "EditorServices/JsonAccess.h"

using namespace EditorServices;
using foundation::json::Value;
using Object = Value::Object;
using Array = Value::Array;

namespace {

std::string conversionError(const auto& read) {
    try {
        read();
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "no error";
}

TEST(JsonAccess, ReturnsTheHeldAlternativeByReference) {
    Value text("abc");
    std::string& held = get<std::string>(text);
    held += "d";
    EXPECT_EQ(get<std::string>(std::as_const(text)), "abcd");
    EXPECT_EQ(&get<std::string>(std::as_const(text)), &held);

    Value list(Array{1.0});
    get<Array>(list).emplace_back("x");
    EXPECT_EQ(get<Array>(list).size(), 2u);
    Value object(Object{});
    get<Object>(object)["k"] = true;
    EXPECT_EQ(get<Object>(object).at("k"), Value(true));
}

TEST(JsonAccess, EveryOtherAlternativeThrowsWithBothNames) {
    const Value values[] = {Value(),           Value(foundation::json::Null{}), Value(true),
                            Value(1.5),        Value("s"),                      Value(Array{}),
                            Value(Object{}),   Value(1.5f),                     Value(std::int64_t{-1}),
                            Value(std::uint64_t{1})};
    const char* names[] = {"undefined", "null", "bool", "double", "string", "array", "object", "float", "int64", "uint64"};
    for (std::size_t i = 0; i < std::size(values); ++i) {
        ASSERT_EQ(values[i].index(), i);
        const std::string held = names[i];
        EXPECT_EQ(conversionError([&] { get<std::string>(values[i]); }),
                  i == 4 ? "no error" : "invalid conversion: " + held + " to string");
        EXPECT_EQ(conversionError([&] { get<Array>(values[i]); }),
                  i == 5 ? "no error" : "invalid conversion: " + held + " to array");
        EXPECT_EQ(conversionError([&] { get<Object>(values[i]); }),
                  i == 6 ? "no error" : "invalid conversion: " + held + " to object");
    }
}

TEST(JsonAccess, AFailedReadLeavesTheValue) {
    Value number(std::int64_t{7});
    EXPECT_THROW(get<std::string>(number), std::runtime_error);
    EXPECT_EQ(number, Value(std::int64_t{7}));
}

}  // namespace
