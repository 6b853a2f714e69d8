#include "EditorServices/JsonParser.h"

#include <cstring>
#include <iterator>
#include <limits>
#include <string_view>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "EditorServices/JsonAccess.h"
#include "fl/i18n/lcctype.h"

namespace EditorServices {
namespace {

using foundation::json::Value;
namespace status = json_status;

// Bytes are widened with their sign, so bytes from 0x80 up are neither digits nor white space.
bool isDigit(char byte) { return fl::i18n::lcctype::isdigit_ascii(static_cast<signed char>(byte)); }
bool isSpace(char byte) { return fl::i18n::lcctype::isspace_ascii(static_cast<signed char>(byte)); }

int hexValue(char byte) {
    if (byte >= '0' && byte <= '9') return byte - '0';
    if (byte >= 'a' && byte <= 'f') return byte - 'a' + 10;
    if (byte >= 'A' && byte <= 'F') return byte - 'A' + 10;
    return -1;
}

// Four hex digits at the position, most significant first.
std::int32_t readCodeUnit(const char* digits, char16_t& unit) {
    unit = 0;
    for (int i = 0; i < 4; ++i) {
        const int digit = hexValue(digits[i]);
        if (digit < 0) return status::badUnicodeEscape;
        unit = static_cast<char16_t>(unit << 4 | digit);
    }
    return status::ok;
}

bool isHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// UTF-8 of one code point that is not a surrogate.
void appendUtf8(std::string& text, char32_t point) {
    if (point < 0x80) {
        text += static_cast<char>(point);
    } else if (point < 0x800) {
        const char bytes[] = {static_cast<char>(0xC0 | point >> 6), static_cast<char>(0x80 | (point & 0x3F))};
        text.append(bytes, 2);
    } else if (point < 0x10000) {
        const char bytes[] = {static_cast<char>(0xE0 | point >> 12), static_cast<char>(0x80 | (point >> 6 & 0x3F)),
                              static_cast<char>(0x80 | (point & 0x3F))};
        text.append(bytes, 3);
    } else {
        const char bytes[] = {static_cast<char>(0xF0 | point >> 18), static_cast<char>(0x80 | (point >> 12 & 0x3F)),
                              static_cast<char>(0x80 | (point >> 6 & 0x3F)), static_cast<char>(0x80 | (point & 0x3F))};
        text.append(bytes, 4);
    }
}

// One or two code units of a \u escape. Well-formed ones are encoded here; the outside conversion decides
// what an unpaired surrogate becomes.
void appendCodeUnits(std::string& text, char16_t* units, int count) {
    if (count == 1 && !isHighSurrogate(units[0]) && !isLowSurrogate(units[0])) {
        appendUtf8(text, units[0]);
    } else if (count == 2 && isLowSurrogate(units[1])) {
        appendUtf8(text, 0x10000 + ((char32_t(units[0]) - 0xD800) << 10) + (char32_t(units[1]) - 0xDC00));
    } else {
        text += foundation::json::detail::u16_to_u8(units, count);
    }
}

// The first quotation mark or backslash in [position, end), or end.
const char* findQuoteOrBackslash(const char* position, const char* end) {
#ifdef __SSE2__
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i backslash = _mm_set1_epi8('\\');
    for (; end - position >= 32; position += 32) {
        const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(position));
        const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(position + 16));
        const unsigned lowHits =
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(low, quote), _mm_cmpeq_epi8(low, backslash)));
        const unsigned highHits =
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(high, quote), _mm_cmpeq_epi8(high, backslash)));
        if (const unsigned hits = lowHits | highHits << 16) return position + __builtin_ctz(hits);
    }
#endif
    while (position != end && *position != '"' && *position != '\\') ++position;
    return position;
}

// Bytes that show an element is not an integer: a fraction, an exponent, a string or an object.
bool endsNonInteger(char byte) { return byte == '"' || byte == '.' || byte == 'E' || byte == 'e' || byte == '{'; }

std::int64_t toInt64(std::string_view digits) {
    bool negative = false;
    if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    const std::int64_t limit =
        negative ? std::numeric_limits<std::int64_t>::min() : std::numeric_limits<std::int64_t>::max();
    std::int64_t result = 0;
    for (char digit : digits) {
        const int d = digit - '0';
        if (__builtin_mul_overflow(result, 10, &result) ||
            (negative ? __builtin_sub_overflow(result, d, &result) : __builtin_add_overflow(result, d, &result))) {
            return limit;
        }
    }
    return result;
}

std::uint64_t toUint64(std::string_view digits) {
    if (!digits.empty() && digits.front() == '-') return 0;
    if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
    std::uint64_t result = 0;
    for (char digit : digits) {
        if (__builtin_mul_overflow(result, 10u, &result) ||
            __builtin_add_overflow(result, static_cast<unsigned>(digit - '0'), &result)) {
            return std::numeric_limits<std::uint64_t>::max();
        }
    }
    return result;
}

// The digits of a number lexeme as one whole number and the power of ten that scales it.
class DecimalNumber {
public:
    // Consumes a run of digits; fraction digits also lower the scale.
    const char* readDigits(const char* position, const char* end, bool fraction) {
        const char* start = position;
        for (; position != end && isDigit(*position); ++position) {
            if (digits_ < maxExactDigits) significand_ = significand_ * 10 + static_cast<unsigned>(*position - '0');
            ++digits_;
        }
        if (fraction) scale_ -= position - start;
        return position;
    }

    const char* readExponent(const char* position, const char* end, bool negative) {
        std::int64_t exponent = 0;
        for (; position != end && isDigit(*position); ++position) {
            if (exponent < exponentCap) exponent = exponent * 10 + (*position - '0');
        }
        scale_ += negative ? -exponent : exponent;
        return position;
    }

    // The nearest double, when one exact significand and one exact power of ten give it in a single
    // correctly rounded step. False for every other number.
    bool exact(double& out, bool negative) const {
        static constexpr double powers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                            1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
        constexpr std::int64_t maxPower = std::size(powers) - 1;
        if (digits_ > maxExactDigits || scale_ < -maxPower || scale_ > maxPower) return false;
        auto value = static_cast<double>(significand_);
        value = scale_ < 0 ? value / powers[-scale_] : value * powers[scale_];
        out = negative ? -value : value;
        return true;
    }

private:
    static constexpr std::size_t maxExactDigits = 15;  // below 2^53
    static constexpr std::int64_t exponentCap = 1'000'000;
    std::uint64_t significand_ = 0;
    std::size_t digits_ = 0;
    std::int64_t scale_ = 0;
};

enum class LiteralMatch { matched, cutShort, different };

LiteralMatch matchLiteral(std::string_view literal, const char* position, const char* end) {
    const auto available = static_cast<std::size_t>(end - position);
    if (available >= literal.size()) {
        return std::memcmp(position, literal.data(), literal.size()) == 0 ? LiteralMatch::matched
                                                                           : LiteralMatch::different;
    }
    return std::memcmp(position, literal.data(), available) == 0 ? LiteralMatch::cutShort : LiteralMatch::different;
}

std::int32_t parseNull(const char*& position, const char* end) {
    switch (matchLiteral("null", position, end)) {
        case LiteralMatch::matched: position += 4; return status::ok;
        case LiteralMatch::cutShort: return status::unexpectedEnd;
        case LiteralMatch::different: break;
    }
    return status::notNull;
}

// One recursive-descent pass over [position, end) with its nesting depth.
class Parser {
public:
    Parser(const char* end, bool allowComments) : end_(end), allowComments_(allowComments) {}

    std::int32_t object(JsonObject& out, const char*& position);
    // Builds the value in place: on failure `out` can be left partly written.
    std::int32_t value(Value& out, const char*& position);
    std::int32_t array(JsonArray& out, const char*& position);
    std::int32_t typedArray(JsonArray& out, const char*& position, IntegerSign sign);
    // In place, as value().
    std::int32_t typedData(const std::string& typeName, Value& out, const char*& position);

private:
    // Counts one open object or array for as long as it lives.
    class Nesting {
    public:
        explicit Nesting(int& depth) : depth_(++depth) {}
        ~Nesting() { --depth_; }
        bool tooDeep() const { return depth_ > maxJsonNesting; }

    private:
        int& depth_;
    };

    void skip(const char*& position) const {
        while (position != end_ && isSpace(*position)) ++position;
        if (allowComments_) skipJsonWhitespace(position, end_, allowComments_);
    }

    enum class After { another, closed, neither };

    // What follows an element: ',' (with the white space after it) or the closing bracket.
    After afterElement(const char*& position, char closing) const {
        if (*position == ',') {
            ++position;
            skip(position);
            return After::another;
        }
        if (*position != closing) return After::neither;
        ++position;
        return After::closed;
    }

    // Consumes the opening bracket and the white space after it. An empty container is consumed
    // whole and clears the output, and `done` is set.
    template <class Container>
    std::int32_t open(Container& out, const char*& position, char opening, char closing, std::int32_t notOpened,
                      bool& done) const {
        if (position == end_) return status::unexpectedEnd;
        if (*position != opening) return notOpened;
        ++position;
        skip(position);
        if (position == end_) return status::unexpectedEnd;
        done = *position == closing;
        if (done) {
            ++position;
            out.clear();
        }
        return status::ok;
    }

    const char* end_;
    bool allowComments_;
    int depth_ = 0;
};

std::int32_t Parser::object(JsonObject& out, const char*& position) {
    Nesting nesting(depth_);
    if (nesting.tooDeep()) return status::tooDeep;
    bool done = false;
    if (auto result = open(out, position, '{', '}', status::notAnObject, done); result != status::ok || done) return result;

    JsonObject members;
    // Keys often come in order (serialised maps always do): each insertion first tries just after the last one.
    auto hint = members.end();
    std::string typeName;  // empty until an integer type name is seen
    bool dataSeen = false;
    const char* dataPosition = nullptr;
    for (;;) {
        std::string key;
        if (auto result = parseJsonString(key, position, end_)) return result;
        skip(position);
        if (position == end_) return status::unexpectedEnd;
        if (*position != ':') return status::missingColon;
        ++position;
        skip(position);

        // The value is read straight into its member. Of duplicate keys the first one stays: a later
        // one's value is read into a scratch value and dropped.
        const auto count = members.size();
        const auto slot = members.try_emplace(hint, std::move(key));
        Value duplicate;
        Value& member = members.size() != count ? slot->second : duplicate;
        const std::string& name = slot->first;
        if (name == "zqdata") {
            // Integers once the type name is known, plain JSON before.
            dataPosition = position;
            dataSeen = true;
            if (auto result = typedData(typeName, member, position)) return result;
        } else {
            if (auto result = value(member, position)) return result;
            if (name == "zqtype") {
                const std::string& type = get<std::string>(member);
                if (isIntegerTypeName(type)) typeName = type;
                if (!typeName.empty() && dataSeen) {
                    // The data came first and was read as plain JSON: read it again as integers.
                    const char* again = dataPosition;
                    Value integers;
                    if (auto result = typedData(typeName, integers, again)) return result;
                    members["zqdata"] = std::move(integers);
                    dataSeen = false;
                }
            }
        }

        skip(position);
        if (position == end_) return status::unexpectedEnd;
        hint = std::next(slot);
        switch (afterElement(position, '}')) {
            case After::another: continue;
            case After::closed: out = std::move(members); return status::ok;
            case After::neither: return status::badMemberSeparator;
        }
    }
}

// Every kind of value needs a first byte of its own, so at most one kind can get past the first
// byte; choosing it by that byte gives what trying each kind in turn would give, including the
// string's status for a value that starts with any other byte.
std::int32_t Parser::value(Value& out, const char*& position) {
    if (position == end_) return status::unexpectedEnd;
    switch (*position) {
        case '"': return parseJsonString(out.storage().emplace<std::string>(), position, end_);
        case '-':
        case '0': case '1': case '2': case '3': case '4':
        case '5': case '6': case '7': case '8': case '9': {
            return parseJsonNumber(out.storage().emplace<double>(), position, end_);
        }
        case '{': return object(out.storage().emplace<JsonObject>(), position);
        case '[': return array(out.storage().emplace<JsonArray>(), position);
        case 't':
        case 'f': {
            bool flag = false;
            if (parseJsonBool(flag, position, end_) != status::ok) return status::notAString;
            out = flag;
            return status::ok;
        }
        case 'n':
            if (parseNull(position, end_) != status::ok) return status::notAString;
            out = foundation::json::Null{};
            return status::ok;
        default:
            return status::notAString;
    }
}

std::int32_t Parser::array(JsonArray& out, const char*& position) {
    Nesting nesting(depth_);
    if (nesting.tooDeep()) return status::tooDeep;
    bool done = false;
    if (auto result = open(out, position, '[', ']', status::notAnArray, done); result != status::ok || done) return result;
    JsonArray elements;
    for (;;) {
        if (auto result = value(elements.emplace_back(), position)) return result;
        skip(position);
        if (position == end_) return status::unexpectedEnd;
        switch (afterElement(position, ']')) {
            case After::another: continue;
            case After::closed: out = std::move(elements); return status::ok;
            case After::neither: return status::badArraySeparator;
        }
    }
}

std::int32_t Parser::typedArray(JsonArray& out, const char*& position, IntegerSign sign) {
    bool done = false;
    if (auto result = open(out, position, '[', ']', status::notAnArray, done); result != status::ok || done) return result;
    JsonArray integers;
    for (;;) {
        if (position == end_) return status::unexpectedEnd;
        const char* start = position;
        if (*position == '-' && ++position == end_) return status::unexpectedEnd;
        if (!isDigit(*position)) return status::notAnInteger;
        if (*position == '0') {
            ++position;
        } else {
            while (position != end_ && isDigit(*position)) ++position;
        }
        if (position != end_ && endsNonInteger(*position)) return status::notAnInteger;
        const std::string_view lexeme(start, static_cast<std::size_t>(position - start));
        skip(position);
        if (position == end_) return status::unexpectedEnd;
        if (sign == IntegerSign::Signed) {
            integers.emplace_back(toInt64(lexeme));
        } else {
            integers.emplace_back(toUint64(lexeme));
        }
        if (endsNonInteger(*position)) return status::notAnInteger;
        switch (afterElement(position, ']')) {
            case After::another: continue;
            case After::closed: out = std::move(integers); return status::ok;
            case After::neither: return status::badArraySeparator;
        }
    }
}

std::int32_t Parser::typedData(const std::string& typeName, Value& out, const char*& position) {
    if (!isIntegerTypeName(typeName)) return value(out, position);
    const auto sign = isSignedIntegerTypeName(typeName) ? IntegerSign::Signed : IntegerSign::Unsigned;
    return typedArray(out.storage().emplace<JsonArray>(), position, sign);
}

// One escape sequence at the backslash; on failure the position stays on the backslash.
std::int32_t parseEscape(std::string& text, const char*& position, const char* end) {
    if (end - position < 2) return status::unexpectedEnd;
    const char* cursor = position + 1;
    switch (*cursor) {
        case '"': case '/': case '\\': text += *cursor; break;
        case 'b': text += '\b'; break;
        case 'f': text += '\f'; break;
        case 'n': text += '\n'; break;
        case 'r': text += '\r'; break;
        case 't': text += '\t'; break;
        case 'u': {
            ++cursor;
            char16_t units[2];
            int count = 1;
            if (end - cursor < 4) return status::unexpectedEnd;
            if (auto result = readCodeUnit(cursor, units[0])) return result;
            cursor += 4;
            if (isHighSurrogate(units[0])) {
                if (end - cursor < 6) return status::unexpectedEnd;
                if (cursor[0] != '\\' || cursor[1] != 'u') return status::badUnicodeEscape;
                if (auto result = readCodeUnit(cursor + 2, units[1])) return result;
                cursor += 6;
                count = 2;
            }
            appendCodeUnits(text, units, count);
            position = cursor;
            return status::ok;
        }
        default: return status::badEscape;
    }
    position = cursor + 1;
    return status::ok;
}

}  // namespace

std::int32_t parseJsonObject(JsonObject& out, const char*& position, const char* end, bool allowComments) {
    return Parser(end, allowComments).object(out, position);
}

std::int32_t parseJsonValue(Value& out, const char*& position, const char* end, bool allowComments) {
    Value parsed;
    const auto result = Parser(end, allowComments).value(parsed, position);
    if (result == status::ok) out = std::move(parsed);
    return result;
}

std::int32_t parseJsonArray(JsonArray& out, const char*& position, const char* end, bool allowComments) {
    return Parser(end, allowComments).array(out, position);
}

std::int32_t parseTypedIntegerArray(JsonArray& out, const char*& position, const char* end, bool allowComments,
                                    IntegerSign sign) {
    return Parser(end, allowComments).typedArray(out, position, sign);
}

std::int32_t parseTypedData(const std::string& typeName, Value& out, const char*& position, const char* end,
                            bool allowComments) {
    Value parsed;
    const auto result = Parser(end, allowComments).typedData(typeName, parsed, position);
    if (result == status::ok) out = std::move(parsed);
    return result;
}

std::int32_t parseJsonString(std::string& out, const char*& position, const char* end) {
    if (position == end) return status::unexpectedEnd;
    if (*position != '"') return status::notAString;
    ++position;
    const char* run = position;
    position = findQuoteOrBackslash(position, end);
    if (position == end) return status::unexpectedEnd;
    if (*position == '"') {  // no escapes: one copy straight into the output
        out.clear();
        out.append(run, position);
        ++position;
        return status::ok;
    }
    std::string text(run, position);
    for (;;) {
        if (auto result = parseEscape(text, position, end)) return result;
        // Plain bytes are appended a run at a time.
        run = position;
        position = findQuoteOrBackslash(position, end);
        text.append(run, position);
        if (position == end) return status::unexpectedEnd;
        if (*position == '"') {
            ++position;
            out = std::move(text);
            return status::ok;
        }
    }
}

std::int32_t parseJsonNumber(double& out, const char*& position, const char* end) {
    const char* start = position;
    if (position == end) return status::unexpectedEnd;
    const bool negative = *position == '-';
    if (negative && ++position == end) return status::unexpectedEnd;
    DecimalNumber number;
    if (*position == '0') {
        ++position;
    } else {
        if (!isDigit(*position)) return status::noIntegerDigit;
        position = number.readDigits(position, end, false);
    }
    bool fraction = false;
    if (position != end && *position == '.') {
        if (++position == end) return status::unexpectedEnd;
        if (!isDigit(*position)) return status::noFractionDigit;
        fraction = true;
    }
    position = number.readDigits(position, end, fraction);
    if (position != end && (*position == 'e' || *position == 'E')) {
        if (++position == end) return status::unexpectedEnd;
        const bool negativeExponent = *position == '-';
        if ((*position == '+' || negativeExponent) && ++position == end) return status::unexpectedEnd;
        if (!isDigit(*position)) return status::noExponentDigit;
        position = number.readExponent(position, end, negativeExponent);
    }
    if (number.exact(out, negative)) return status::ok;
    // The conversion needs a terminated copy; most lexemes fit on the stack.
    const auto length = static_cast<std::size_t>(position - start);
    char buffer[64];
    if (length < sizeof buffer) {
        std::memcpy(buffer, start, length);
        buffer[length] = '\0';
        out = foundation::json::detail::string_to_double(buffer);
    } else {
        out = foundation::json::detail::string_to_double(std::string(start, position).c_str());
    }
    return status::ok;
}

std::int32_t parseJsonBool(bool& out, const char*& position, const char* end) {
    const auto isTrue = matchLiteral("true", position, end);
    if (isTrue == LiteralMatch::matched) {
        position += 4;
        out = true;
        return status::ok;
    }
    const auto isFalse = matchLiteral("false", position, end);
    if (isFalse == LiteralMatch::matched) {
        position += 5;
        out = false;
        return status::ok;
    }
    return isTrue == LiteralMatch::cutShort || isFalse == LiteralMatch::cutShort ? status::unexpectedEnd
                                                                                 : status::notABool;
}

void skipJsonWhitespace(const char*& position, const char* end, bool allowComments) {
    for (;;) {
        while (position != end && isSpace(*position)) ++position;
        if (!allowComments || position == end || *position != '/') return;
        const char* slash = position;
        if (end - position < 2) return;
        std::string_view terminator;
        if (position[1] == '*') {
            terminator = "*/";
        } else if (position[1] == '/') {
            terminator = "\n";
        } else {
            position = slash;
            return;
        }
        const std::string_view rest(position + 2, static_cast<std::size_t>(end - position - 2));
        const auto found = rest.find(terminator);
        if (found == std::string_view::npos) {
            position = end;
            return;
        }
        position += 2 + found + terminator.size();
    }
}

}  // namespace EditorServices
