#pragma once

#include <memory>

#include "pf/event/PFEventTypes.h"
#include "pf/event/ruskavel_export.h"

namespace pf::event {

// Watches the platform for one component's events.
class RUSKAVEL_EXPORT PFEventListener {
public:
    virtual ~PFEventListener();
    // Starts the platform watch for the events of the kind; an unknown pair throws std::invalid_argument.
    virtual void startListening(PFServiceType serviceType, PFEventKind kind) = 0;
};

class RUSKAVEL_EXPORT PFAbstractEventListenerFactory {
public:
    // The listener of the component; an unknown component throws std::invalid_argument.
    static std::unique_ptr<PFEventListener> getEventListenerManager(PFEventComponent component);
};

}  // namespace pf::event
