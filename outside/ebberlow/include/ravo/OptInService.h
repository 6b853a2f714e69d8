#pragma once

#include "ravo/EbberlowExport.h"

namespace ravo {

// Settings-driven opt-in: the user's choice is kept beside the persistence file (its path with ".optin"
// appended) and comes back on the next start.
class EBBERLOW_EXPORT OptInService {
public:
    // Applies the kept choice and keeps every later one until the logging service stops. Throws std::logic_error
    // when the logging service does not run and std::runtime_error when the kept choice is unreadable.
    static void start();
};

}  // namespace ravo
