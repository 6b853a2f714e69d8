#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform::testing {

// Replaces the process's arguments (processArguments, wideCommandLine) while alive.
class ProcessArgumentsOverride {
public:
    explicit ProcessArgumentsOverride(std::vector<std::string> arguments);
    ~ProcessArgumentsOverride();
    ProcessArgumentsOverride(const ProcessArgumentsOverride&) = delete;
    ProcessArgumentsOverride& operator=(const ProcessArgumentsOverride&) = delete;

private:
    std::optional<std::vector<std::string>> previous_;
};

// Makes looks before sleeping see an idle core, or none, whatever the machine has, while alive.
class IdleCoresOverride {
public:
    explicit IdleCoresOverride(bool idleCore);
    ~IdleCoresOverride();
    IdleCoresOverride(const IdleCoresOverride&) = delete;
    IdleCoresOverride& operator=(const IdleCoresOverride&) = delete;

private:
    std::optional<bool> previous_;
};

}  // namespace platform::testing
