#include "EditorServices/JsonAccess.h"

#include <stdexcept>

namespace EditorServices {

std::string_view heldTypeName(const foundation::json::Value& value) {
    return std::visit([](const auto& held) { return foundation::json::traits<std::decay_t<decltype(held)>>::name; },
                      value.storage());
}

void throwInvalidConversion(std::string_view held, std::string_view requested) {
    std::string text = "invalid conversion: ";
    text += held;
    text += " to ";
    text += requested;
    throw std::runtime_error(text);
}

bool isSignedIntegerTypeName(const std::string& name) {
    return name == "int64" || name == "int32" || name == "int16" || name == "int8";
}

bool isIntegerTypeName(const std::string& name) {
    if (isSignedIntegerTypeName(name)) return true;
    return name == "uint64" || name == "uint32" || name == "uint16" || name == "uint8";
}

}  // namespace EditorServices
