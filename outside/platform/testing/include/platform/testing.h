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

}  // namespace platform::testing
