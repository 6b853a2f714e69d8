#pragma once

#include <string>

namespace ravo {

struct ApplicationInfo {
    std::string name;
    std::string version;
};

}  // namespace ravo
