#include <charconv>
#include <cmath>
#include <type_traits>

#include "foundation/json/value.h"

namespace foundation::json {
namespace {

void writeString(std::string& out, const std::string& text) {
    static constexpr char hex[] = "0123456789abcdef";
    out += '"';
    std::size_t runStart = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x20 && byte != '"' && byte != '\\') continue;
        out.append(text, runStart, i - runStart);
        runStart = i + 1;
        switch (byte) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\b': out += "\\b"; break;
            case '\f': out += "\\f"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                out += "\\u00";
                out += hex[byte >> 4];
                out += hex[byte & 0xF];
        }
    }
    out.append(text, runStart, std::string::npos);
    out += '"';
}

template <class Number>
void writeNumber(std::string& out, Number number) {
    if constexpr (std::is_floating_point_v<Number>) {
        if (!std::isfinite(number)) {
            out += "null";
            return;
        }
    }
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
    out.append(buffer, result.ptr);
}

void write(std::string& out, const Value& value) {
    std::visit(
        [&out](const auto& held) {
            using T = std::decay_t<decltype(held)>;
            if constexpr (std::is_same_v<T, Undefined> || std::is_same_v<T, Null>) {
                out += "null";
            } else if constexpr (std::is_same_v<T, bool>) {
                out += held ? "true" : "false";
            } else if constexpr (std::is_same_v<T, std::string>) {
                writeString(out, held);
            } else if constexpr (std::is_same_v<T, Value::Array>) {
                out += '[';
                for (std::size_t i = 0; i < held.size(); ++i) {
                    if (i != 0) out += ',';
                    write(out, held[i]);
                }
                out += ']';
            } else if constexpr (std::is_same_v<T, Value::Object>) {
                out += '{';
                bool first = true;
                for (const auto& [key, member] : held) {
                    if (!first) out += ',';
                    first = false;
                    writeString(out, key);
                    out += ':';
                    write(out, member);
                }
                out += '}';
            } else {
                writeNumber(out, held);
            }
        },
        value.storage());
}

}  // namespace

Value::operator bool() const {
    return std::visit(
        [](const auto& held) -> bool {
            using T = std::decay_t<decltype(held)>;
            if constexpr (std::is_same_v<T, Undefined> || std::is_same_v<T, Null>) {
                return false;
            } else if constexpr (std::is_arithmetic_v<T>) {
                return held != T{};
            } else {
                return !held.empty();
            }
        },
        storage_);
}

std::string serialize(const Value& value) {
    std::string out;
    write(out, value);
    return out;
}

}  // namespace foundation::json
