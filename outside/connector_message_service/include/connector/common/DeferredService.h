#pragma once

namespace connector::common {

// Marks a service that the host starts on demand.
class DeferredService {
public:
    virtual ~DeferredService() = default;
};

}  // namespace connector::common
