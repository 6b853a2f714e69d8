#pragma once

#include <chrono>
#include <string>

#include "ravo/ApplicationInfo.h"
#include "ravo/RavoData.h"

namespace ravo::detail {

struct ItemContext {
    const ApplicationInfo& application;
    const std::string& sessionKey;
    std::chrono::system_clock::time_point time;
};

// One JSON object on one line; text that is not UTF-8 is kept with U+FFFD in place of the bad bytes.
std::string itemJsonLine(const ItemContext& context, const DataIdentification& identification, const RavoData& data);

}  // namespace ravo::detail
