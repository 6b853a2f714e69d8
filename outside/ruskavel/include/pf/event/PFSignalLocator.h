#pragma once

#include <map>
#include <memory>

#include "pf/event/PFSignal.h"

namespace pf::event {

// The process's signals, one container per service type.
class RUSKAVEL_EXPORT PFSignalLocator {
public:
    static PFSignalLocator& Instance();
    const std::map<PFServiceType, std::unique_ptr<PFSignalContainer>>& locateSignals() const { return signals_; }

private:
    PFSignalLocator();
    std::map<PFServiceType, std::unique_ptr<PFSignalContainer>> signals_;
};

}  // namespace pf::event
