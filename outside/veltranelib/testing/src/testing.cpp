#include "veltranelib/testing.h"

#include "native_window_state.h"

namespace veltranelib::testing {

WindowState stateOf(const NativeWindow& window) {
    std::lock_guard lock(window.mutex_);
    return window.state_->data;
}

}  // namespace veltranelib::testing
