#pragma once

#include <string>

#include "ravo/EbberlowExport.h"

namespace ravo {

class EBBERLOW_EXPORT PlatformInfo {
public:
    static const PlatformInfo& getInstance();

    PlatformInfo(const PlatformInfo&) = delete;
    PlatformInfo& operator=(const PlatformInfo&) = delete;

    // 16 hex digits derived from the machine's id; the id itself never leaves this object.
    const std::string& getMachineHash() const { return machineHash_; }

private:
    PlatformInfo();

    std::string machineHash_;
};

}  // namespace ravo
