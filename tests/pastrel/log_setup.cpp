#include <cstdlib>

namespace {

// The back-end's channel logs its records in these tests; they go to the capture, not the console.
const bool channelEnabled = [] {
    setenv("LUMBRITH_LOG_CHANNELS", "editor_services::Pastrel=4", 1);
    setenv("LUMBRITH_LOG_FILE", "/dev/null", 1);
    return true;
}();

}  // namespace
