#pragma once

#include <memory>
#include <string>
#include <utility>

#include "ravo/EbberlowExport.h"

namespace ravo {

namespace detail {
class ServiceCore;
}

// Offered while the logging service runs as a partner service.
class EBBERLOW_EXPORT LoggingPartnerSupport {
public:
    // Empty unless a partner service runs.
    static std::shared_ptr<LoggingPartnerSupport> getSupport();

    // Scoped to the partner application, so that the data of two partners cannot be joined by machine.
    const std::string& getMachineHash() const { return machineHash_; }

private:
    friend class detail::ServiceCore;
    explicit LoggingPartnerSupport(std::string machineHash) : machineHash_(std::move(machineHash)) {}

    std::string machineHash_;
};

}  // namespace ravo
