#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "EditorServices/JsonAccess.h"
#include "ParseResult.h"

using namespace EditorServices;
using foundation::json::Null;
using foundation::json::Value;

namespace {

struct StatusCase {
    const char* text;
    std::int32_t status;
    std::ptrdiff_t stop;
};

class ParserStatus : public ::testing::TestWithParam<StatusCase> {};

TEST_P(ParserStatus, ReportsStatusAndStopPosition) {
    const auto& expected = GetParam();
    const auto result = parseObject(expected.text);
    EXPECT_EQ(result.status, expected.status) << expected.text;
    EXPECT_EQ(result.stop, expected.stop) << expected.text;
}

INSTANTIATE_TEST_SUITE_P(
    Objects, ParserStatus,
    ::testing::Values(StatusCase{"{}", 0, 2}, StatusCase{"{} and more", 0, 2}, StatusCase{" {}", 16, 0},
                      StatusCase{"", 19, 0}, StatusCase{"{", 19, 1}, StatusCase{"{ ", 19, 2},
                      StatusCase{"{\"a", 19, 3}, StatusCase{"{\"a\"", 19, 4}, StatusCase{"{\"a\" 1}", 18, 5},
                      StatusCase{"{\"a\": 1 \"b\": 2}", 17, 8}, StatusCase{"{\"a\":1,}", 8, 7},
                      StatusCase{"{,}", 8, 1}, StatusCase{"{\"a\": 1", 19, 7}, StatusCase{"{\"a\": x}", 8, 6},
                      StatusCase{"{\"a\": tru}", 8, 6}, StatusCase{"{\"a\": nul}", 8, 6},
                      StatusCase{"{\"a\": tr", 8, 6}, StatusCase{"{\"a\": true1}", 17, 10}));

INSTANTIATE_TEST_SUITE_P(
    Numbers, ParserStatus,
    ::testing::Values(StatusCase{"{\"a\": -", 19, 7}, StatusCase{"{\"a\": -}", 11, 7}, StatusCase{"{\"a\": 1.", 19, 8},
                      StatusCase{"{\"a\": 1.e3}", 12, 8}, StatusCase{"{\"a\": 1e", 19, 8},
                      StatusCase{"{\"a\": 1e-", 19, 9}, StatusCase{"{\"a\": 1ex}", 13, 8},
                      StatusCase{"{\"a\": +1}", 8, 6}, StatusCase{"{\"a\": 01x}", 17, 8}));

INSTANTIATE_TEST_SUITE_P(
    StringsAndArrays, ParserStatus,
    ::testing::Values(StatusCase{"{\"a\": \"x\\q\"}", 6, 8}, StatusCase{"{\"a\": \"\\u00g0\"}", 5, 7},
                      StatusCase{"{\"a\": \"\\u00", 19, 7}, StatusCase{"{\"a\": \"x\\", 19, 8},
                      StatusCase{"{\"a\": \"\\uD83Dabcdef\"}", 5, 7}, StatusCase{"{\"a\": \"\\uD83D\"}", 19, 7},
                      StatusCase{"{\"a\": \"\\uD83D\\uDE0x\"}", 5, 7}, StatusCase{"{\"a\": \"open", 19, 11},
                      StatusCase{"{\"a\": [1 2]}", 15, 9}, StatusCase{"{\"a\": [1,", 19, 9},
                      StatusCase{"{\"a\": [", 19, 7}, StatusCase{"{\"a\": [}", 8, 7}));

ParseResult parseOk(std::string_view text, bool allowComments = false) {
    auto result = parseObject(text, allowComments);
    EXPECT_EQ(result.status, 0) << text;
    return result;
}

TEST(ParserValues, BuildsEveryKindOfValue) {
    auto result = parseOk(R"({"s": "x", "n": -12.5e1, "t": true, "f": false, "z": null, "o": {"k": []}, "l": [1, "two"]})");
    auto& m = result.members;
    EXPECT_EQ(m["s"], Value("x"));
    EXPECT_EQ(m["n"], Value(-125.0));
    EXPECT_EQ(m["t"], Value(true));
    EXPECT_EQ(m["f"], Value(false));
    EXPECT_EQ(m["z"], Value(Null{}));
    EXPECT_EQ(m["o"], Value(JsonObject{{"k", JsonArray{}}}));
    EXPECT_EQ(m["l"], Value(JsonArray{1.0, "two"}));
}

TEST(ParserValues, EveryPlainNumberIsADouble) {
    auto result = parseOk(R"({"a": 1, "b": 0123, "c": 0, "d": 12345678901234567890, "e": 1E+2})");
    EXPECT_EQ(result.members["a"], Value(1.0));
    EXPECT_EQ(result.members["b"], Value(123.0));
    EXPECT_EQ(result.members["c"], Value(0.0));
    EXPECT_EQ(result.members["d"], Value(12345678901234567890.0));
    EXPECT_EQ(result.members["e"], Value(100.0));
}

TEST(ParserValues, NumbersAreTheNearestDouble) {
    // Around the limits of exact conversion: 15 and 16 digits, powers of ten up to 22 and past it.
    const char* lexemes[] = {"0.1", "123456789012345", "1234567890123456", "9007199254740993", "1e22", "1e23",
                             "1e-22", "1e-23", "123456789012345e-22", "0.000000000000000000001", "3.14159265358979",
                             "2.2250738585072014e-308", "4.9e-324", "1.7976931348623157e308", "0123",
                             "-987654321.123456", "5e-1", "5e+1", "1e0000000000000000000001", "8.25"};
    for (const char* lexeme : lexemes) {
        auto result = parseOk("{\"n\": " + std::string(lexeme) + "}");
        EXPECT_EQ(result.members["n"], Value(std::strtod(lexeme, nullptr))) << lexeme;
    }
    auto negativeZero = parseOk(R"({"n": -0.0})");
    EXPECT_TRUE(std::signbit(get<double>(negativeZero.members["n"])));
}

TEST(ParserValues, MembersInAnyOrderGiveTheSameMap) {
    std::vector<int> order(300);
    for (int i = 0; i < 300; ++i) order[i] = i;
    std::mt19937 random(7);
    for (int round = 0; round < 4; ++round) {
        if (round == 1) std::reverse(order.begin(), order.end());
        if (round > 1) std::shuffle(order.begin(), order.end(), random);
        std::string text = "{";
        JsonObject expected;
        for (int i : order) {
            // Every fifth key twice: the first value stays.
            const std::string key = "k" + std::to_string(i % 240);
            text += "\"" + key + "\": " + std::to_string(i) + ",";
            expected.emplace(key, static_cast<double>(i));
        }
        text.back() = '}';
        EXPECT_EQ(parseOk(text).members, expected) << "round " << round;
    }
}

TEST(ParserValues, FirstOfDuplicateKeysWins) {
    auto result = parseOk(R"({"a": 1, "a": 2, "b": 3})");
    EXPECT_EQ(result.members.size(), 2u);
    EXPECT_EQ(result.members["a"], Value(1.0));
}

TEST(ParserValues, FailureLeavesTheCallersMapAlone) {
    auto result = parseObject(R"({"a": 1, "b": })", false, JsonObject{{"kept", true}});
    EXPECT_EQ(result.status, 8);
    EXPECT_EQ(result.members, (JsonObject{{"kept", true}}));
    EXPECT_TRUE(parseObject("{}", false, JsonObject{{"gone", true}}).members.empty());
}

TEST(ParserStrings, ResolvesEscapes) {
    auto result = parseOk(R"({"a": "\"\\\/\b\f\n\r\t"})");
    EXPECT_EQ(get<std::string>(result.members["a"]), "\"\\/\b\f\n\r\t");
}

TEST(ParserStrings, UnicodeEscapesBecomeUtf8) {
    auto result = parseOk(R"({"lower": "\u00e9", "upper": "\u00E9", "pair": "\ud83D\uDE00", "low": "\uDE00"})");
    EXPECT_EQ(get<std::string>(result.members["lower"]), "\xC3\xA9");
    EXPECT_EQ(get<std::string>(result.members["upper"]), "\xC3\xA9");
    EXPECT_EQ(get<std::string>(result.members["pair"]), "\xF0\x9F\x98\x80");
    EXPECT_EQ(get<std::string>(result.members["low"]), "\xEF\xBF\xBD");
}

TEST(ParserStrings, EveryEscapedUnitMatchesTheOutsideConversion) {
    for (char32_t unit = 0; unit <= 0xFFFF; ++unit) {
        if (unit >= 0xD800 && unit <= 0xDBFF) continue;
        char escape[16];
        std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(unit));
        char16_t units[] = {static_cast<char16_t>(unit)};
        auto result = parseObject(std::string("{\"a\": \"") + escape + "\"}");
        ASSERT_EQ(result.status, 0) << escape;
        ASSERT_EQ(get<std::string>(result.members["a"]), foundation::json::detail::u16_to_u8(units, 1)) << escape;
    }
    char16_t pair[] = {0xD83D, 0x0041};  // a high surrogate followed by no low one
    auto result = parseOk(R"({"a": "\ud83d\u0041", "b": "\udbff\udfff"})");
    EXPECT_EQ(get<std::string>(result.members["a"]), foundation::json::detail::u16_to_u8(pair, 2));
    EXPECT_EQ(get<std::string>(result.members["b"]), "\xF4\x8F\xBF\xBF");
}

TEST(ParserStrings, QuotesAndBackslashesFoundAtEveryOffset) {
    for (std::size_t offset = 0; offset < 100; ++offset) {
        const std::string before(offset, 'x');
        const std::string after(offset % 37, 'y');
        auto plain = parseOk("{\"a\": \"" + before + "\"}");
        EXPECT_EQ(get<std::string>(plain.members["a"]), before);
        auto escaped = parseOk("{\"a\": \"" + before + "\\\"" + after + "\\\\" + before + "\"}");
        EXPECT_EQ(get<std::string>(escaped.members["a"]), before + "\"" + after + "\\" + before);
        auto cut = parseObject("{\"a\": \"" + before + after);
        EXPECT_EQ(cut.status, json_status::unexpectedEnd);
        EXPECT_EQ(cut.stop, static_cast<std::ptrdiff_t>(7 + before.size() + after.size()));
    }
}

TEST(ParserStrings, RawBytesPassUnchanged) {
    const std::string text = std::string("{\"a\": \"\x01\t\xFF\xC3\xA9") + '\0' + "\"}";
    auto result = parseOk(text);
    EXPECT_EQ(get<std::string>(result.members["a"]), std::string("\x01\t\xFF\xC3\xA9") + '\0');
}

TEST(ParserStrings, LongStringsKeepEveryByte) {
    std::string content(1 << 20, 'Q');
    for (std::size_t i = 0; i < content.size(); i += 4099) content[i] = static_cast<char>('a' + i % 26);
    auto result = parseOk("{\"a\": \"" + content + "\\n\"}");
    EXPECT_EQ(get<std::string>(result.members["a"]), content + "\n");
}

TEST(ParserComments, SkippedOnlyWhenAllowed) {
    const std::string text = "{ /* c */ \"a\" : // c\n 1 , \"b\"/**/:/***/2// end\n}";
    auto result = parseOk(text, true);
    EXPECT_EQ(result.members, (JsonObject{{"a", 1.0}, {"b", 2.0}}));
    EXPECT_EQ(parseObject(text).status, 8);
}

TEST(ParserComments, LoneSlashAndOpenCommentsStop) {
    auto slash = parseObject(R"({"a": /1})", true);
    EXPECT_EQ(slash.status, 8);
    EXPECT_EQ(slash.stop, 6);
    EXPECT_EQ(parseObject(R"({"a": 1 /*/ })", true).status, 19);
    auto trailingSlash = parseObject(R"({"a": 1 /)", true);
    EXPECT_EQ(trailingSlash.status, 17);
    EXPECT_EQ(trailingSlash.stop, 8);
    EXPECT_EQ(parseObject("{\"a\": 1 // no line end", true).status, 19);
}

TEST(ParserNesting, DeepInputStopsWithItsOwnStatus) {
    auto nested = [](int arrays) {
        return "{\"a\":" + std::string(arrays, '[') + std::string(arrays, ']') + "}";
    };
    EXPECT_EQ(parseObject(nested(maxJsonNesting - 1)).status, 0);
    auto tooDeep = parseObject(nested(maxJsonNesting));
    EXPECT_EQ(tooDeep.status, json_status::tooDeep);
    EXPECT_EQ(tooDeep.stop, 5 + maxJsonNesting - 1);
    EXPECT_EQ(parseObject("{\"a\":" + std::string(200000, '[')).status, json_status::tooDeep);
    std::string objects;
    for (int i = 0; i < 100000; ++i) objects += "{\"a\":";
    EXPECT_EQ(parseObject(objects).status, json_status::tooDeep);
}

TEST(ParserLiterals, CutShortAtTheEndIsUnexpectedEnd) {
    auto run = [](std::string_view text, bool& out) {
        const char* position = text.data();
        auto status = parseJsonBool(out, position, text.data() + text.size());
        return std::pair(status, position - text.data());
    };
    bool value = true;
    EXPECT_EQ(run("fa", value), std::pair(19, std::ptrdiff_t{0}));
    EXPECT_EQ(run("trux", value), std::pair(2, std::ptrdiff_t{0}));
    EXPECT_EQ(run("falsey", value), std::pair(0, std::ptrdiff_t{5}));
    EXPECT_FALSE(value);
}

}  // namespace
