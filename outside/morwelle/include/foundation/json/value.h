#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace foundation::json {

// No value at all: what a default-constructed Value holds.
struct Undefined {
    friend bool operator==(Undefined, Undefined) = default;
};

// The JSON null.
struct Null {
    friend bool operator==(Null, Null) = default;
};

// A JSON value; the alternatives keep this index order.
class Value {
public:
    using Array = std::vector<Value>;
    using Object = std::map<std::string, Value>;
    using Storage = std::variant<Undefined, Null, bool, double, std::string, Array, Object, float, std::int64_t,
                                 std::uint64_t>;

    Value() = default;
    Value(Undefined) {}
    Value(Null value) : storage_(value) {}
    Value(bool value) : storage_(value) {}
    Value(double value) : storage_(value) {}
    Value(std::string value) : storage_(std::move(value)) {}
    Value(const char* value) : storage_(std::string(value)) {}
    Value(Array value) : storage_(std::move(value)) {}
    Value(Object value) : storage_(std::move(value)) {}
    Value(float value) : storage_(value) {}
    Value(std::int64_t value) : storage_(value) {}
    Value(std::uint64_t value) : storage_(value) {}

    std::size_t index() const { return storage_.index(); }
    const Storage& storage() const { return storage_; }
    Storage& storage() { return storage_; }

    // False for Undefined, Null, false, zero and empty strings, arrays and objects.
    explicit operator bool() const;

    friend bool operator==(const Value&, const Value&) = default;

private:
    Storage storage_;
};

// Display name of each alternative, used in conversion errors.
template <class T>
struct traits;

template <> struct traits<Undefined> { static constexpr std::string_view name = "undefined"; };
template <> struct traits<Null> { static constexpr std::string_view name = "null"; };
template <> struct traits<bool> { static constexpr std::string_view name = "bool"; };
template <> struct traits<double> { static constexpr std::string_view name = "double"; };
template <> struct traits<std::string> { static constexpr std::string_view name = "string"; };
template <> struct traits<Value::Array> { static constexpr std::string_view name = "array"; };
template <> struct traits<Value::Object> { static constexpr std::string_view name = "object"; };
template <> struct traits<float> { static constexpr std::string_view name = "float"; };
template <> struct traits<std::int64_t> { static constexpr std::string_view name = "int64"; };
template <> struct traits<std::uint64_t> { static constexpr std::string_view name = "uint64"; };

// Standard JSON text: keys in map order, no white space. Undefined, NaN and infinities are written as
// null; bytes from 0x80 up are copied unchanged, control bytes, '"' and '\' are escaped.
std::string serialize(const Value& value);

namespace detail {

// The nearest double to a JSON number lexeme (locale-independent); out of range gives an infinity or zero.
double string_to_double(const char* lexeme);

// UTF-8 form of one code unit or a surrogate pair; an unpaired surrogate becomes U+FFFD.
std::string u16_to_u8(char16_t* units, int count);

}  // namespace detail
}  // namespace foundation::json
