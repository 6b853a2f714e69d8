#pragma once

#include <memory>

#include "pf/event/PFSignal.h"

namespace pf::event {

// Owns a signal connection; unregistering (or destroying) it stops the callback.
class RUSKAVEL_EXPORT PFEventRegistration {
public:
    explicit PFEventRegistration(std::unique_ptr<PFSignalConnection> connection);
    ~PFEventRegistration();
    PFEventRegistration(const PFEventRegistration&) = delete;
    PFEventRegistration& operator=(const PFEventRegistration&) = delete;

    void unregister();

private:
    std::unique_ptr<PFSignalConnection> connection_;
};

}  // namespace pf::event
