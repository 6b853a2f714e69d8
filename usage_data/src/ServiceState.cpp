#include "ServiceState.h"

namespace ravo::detail {

// Both are never destroyed: a RavoService with static storage may still stop the service at exit.

ServiceState& serviceState() {
    static auto* state = new ServiceState;
    return *state;
}

foundation::log::diagnostic_logger& ravoLogger() {
    static auto* logger = new foundation::log::diagnostic_logger("sa_ravo");
    return *logger;
}

}  // namespace ravo::detail
