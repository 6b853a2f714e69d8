#pragma once

namespace foundation::core::app {

// Ends the process at once with the exit code: standard output is flushed, nothing else runs (no
// destructors, no exit handlers).
[[noreturn]] void fast_exit(int code);

}  // namespace foundation::core::app
