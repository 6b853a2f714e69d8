#pragma once

#include <functional>

#include "ravo/testing.h"

namespace ravo::detail {

void recordCall(const std::function<void(testing::CallJournal&)>& update);

}  // namespace ravo::detail
