#pragma once

#include <memory>
#include <string>

#include "ravo/ApplicationInfo.h"
#include "ravo/EbberlowExport.h"
#include "ravo/SessionOptions.h"

namespace ravo {

namespace detail {
class ServiceCore;
}

// Sessions of the running logging service; items carry the key of the newest open session.
class EBBERLOW_EXPORT SharedLoggingService {
public:
    // Empty while the logging service does not run.
    static std::shared_ptr<SharedLoggingService> getSharedService();

    // Returns the session's key. Throws std::logic_error when the logging service no longer runs.
    std::string startSession(const ApplicationInfo& application, const SessionOptions& options);
    // A key that is not open is ignored.
    void endSession(const std::string& sessionKey);

private:
    friend class detail::ServiceCore;
    SharedLoggingService() = default;
};

}  // namespace ravo
