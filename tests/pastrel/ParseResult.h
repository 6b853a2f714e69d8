#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "EditorServices/JsonParser.h"

// Parses a copy of the text held in a buffer of exactly its size, so that reading past the end is
// caught by the address sanitizer.
struct ParseResult {
    std::int32_t status = -1;
    std::ptrdiff_t stop = -1;
    EditorServices::JsonObject members;
};

inline ParseResult parseObject(std::string_view text, bool allowComments = false,
                               EditorServices::JsonObject initial = {}) {
    auto buffer = std::make_unique<char[]>(text.size());
    std::copy(text.begin(), text.end(), buffer.get());
    const char* position = buffer.get();
    ParseResult result;
    result.members = std::move(initial);
    result.status = EditorServices::parseJsonObject(result.members, position, buffer.get() + text.size(), allowComments);
    result.stop = position - buffer.get();
    return result;
}
