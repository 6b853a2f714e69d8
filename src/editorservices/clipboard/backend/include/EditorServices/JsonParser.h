#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "EditorServices/PastrelExport.h"
#include "foundation/json/value.h"

namespace EditorServices {

// Parse results. Every step moves the position forward and never reads at or past the end.
namespace json_status {
constexpr std::int32_t ok = 0;
constexpr std::int32_t notNull = 1;            // literal steps only; never reaches a value's caller
constexpr std::int32_t notABool = 2;           // literal steps only; never reaches a value's caller
constexpr std::int32_t badUnicodeEscape = 5;   // non-hex digit, or a high surrogate without "\u" after it
constexpr std::int32_t badEscape = 6;          // escape byte other than " / \ b f n r t u
constexpr std::int32_t closingQuote = 7;       // between the string steps only
constexpr std::int32_t notAString = 8;         // also any value that starts with an unexpected byte
constexpr std::int32_t noIntegerDigit = 11;
constexpr std::int32_t noFractionDigit = 12;
constexpr std::int32_t noExponentDigit = 13;
constexpr std::int32_t notAnArray = 14;
constexpr std::int32_t badArraySeparator = 15;  // an element followed by neither ',' nor ']'
constexpr std::int32_t notAnObject = 16;
constexpr std::int32_t badMemberSeparator = 17; // a member followed by neither ',' nor '}'
constexpr std::int32_t missingColon = 18;
constexpr std::int32_t unexpectedEnd = 19;      // also a literal cut short by the end
constexpr std::int32_t notAnInteger = 20;       // typed-integer element: no digit, or a fraction/exponent
constexpr std::int32_t tooDeep = 21;            // more than maxJsonNesting objects and arrays inside each other
}  // namespace json_status

// Deeper input stops with tooDeep, the position on the opening bracket of the level too many, instead of
// exhausting the stack.
constexpr int maxJsonNesting = 512;

enum class IntegerSign { Signed, Unsigned };

using JsonObject = std::map<std::string, foundation::json::Value>;
using JsonArray = std::vector<foundation::json::Value>;

// The text must start with '{' at the position; what follows the closing '}' is not read. The output
// is replaced only when the whole object parsed. A "zqtype" member that is not a string throws the
// conversion error of get<std::string>.
PASTREL_EXPORT std::int32_t parseJsonObject(JsonObject& out, const char*& position, const char* end,
                                            bool allowComments);
PASTREL_EXPORT std::int32_t parseJsonValue(foundation::json::Value& out, const char*& position, const char* end,
                                           bool allowComments);
PASTREL_EXPORT std::int32_t parseJsonString(std::string& out, const char*& position, const char* end);
PASTREL_EXPORT std::int32_t parseJsonNumber(double& out, const char*& position, const char* end);
PASTREL_EXPORT std::int32_t parseJsonArray(JsonArray& out, const char*& position, const char* end,
                                           bool allowComments);
PASTREL_EXPORT std::int32_t parseJsonBool(bool& out, const char*& position, const char* end);
// Integers of a typed-integer object, saturated to the 64-bit range of the sign.
PASTREL_EXPORT std::int32_t parseTypedIntegerArray(JsonArray& out, const char*& position, const char* end,
                                                   bool allowComments, IntegerSign sign);
// An integer type name parses a typed-integer array; any other name an ordinary value.
PASTREL_EXPORT std::int32_t parseTypedData(const std::string& typeName, foundation::json::Value& out,
                                           const char*& position, const char* end, bool allowComments);
// White space, and with allowComments also /* block */ and // line comments.
PASTREL_EXPORT void skipJsonWhitespace(const char*& position, const char* end, bool allowComments);

}  // namespace EditorServices
