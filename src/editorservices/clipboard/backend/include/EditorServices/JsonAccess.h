#pragma once

#include <string>
#include <string_view>
#include <variant>

#include "EditorServices/PastrelExport.h"
#include "foundation/json/value.h"

namespace EditorServices {

// Display name of the alternative the value holds.
PASTREL_EXPORT std::string_view heldTypeName(const foundation::json::Value& value);

// Throws std::runtime_error "invalid conversion: <held> to <requested>".
[[noreturn]] PASTREL_EXPORT void throwInvalidConversion(std::string_view held, std::string_view requested);

// The held alternative by reference; any other alternative throws, nothing is converted.
template <class T>
T& get(foundation::json::Value& value) {
    if (auto* held = std::get_if<T>(&value.storage())) return *held;
    throwInvalidConversion(heldTypeName(value), foundation::json::traits<T>::name);
}

template <class T>
const T& get(const foundation::json::Value& value) {
    if (const auto* held = std::get_if<T>(&value.storage())) return *held;
    throwInvalidConversion(heldTypeName(value), foundation::json::traits<T>::name);
}

// The eight typed-integer names, compared exactly.
PASTREL_EXPORT bool isIntegerTypeName(const std::string& name);
// The four signed ones.
PASTREL_EXPORT bool isSignedIntegerTypeName(const std::string& name);

}  // namespace EditorServices
