#include "platform/testing.h"

#include "idle_cores.h"
#include "process_arguments.h"

namespace platform::testing {

ProcessArgumentsOverride::ProcessArgumentsOverride(std::vector<std::string> arguments)
    : previous_(detail::exchangeArgumentsOverride(std::move(arguments))) {}

ProcessArgumentsOverride::~ProcessArgumentsOverride() { detail::exchangeArgumentsOverride(std::move(previous_)); }

IdleCoresOverride::IdleCoresOverride(bool idleCore) : previous_(detail::exchangeIdleCoresOverride(idleCore)) {}

IdleCoresOverride::~IdleCoresOverride() { detail::exchangeIdleCoresOverride(previous_); }

}  // namespace platform::testing
