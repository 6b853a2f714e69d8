#pragma once

namespace platform {

// Asks the scheduler to give the calling thread short turns on a core, so that when it wakes on a busy core it
// runs at once rather than after the running thread's turn (milliseconds). For threads that hand work to one
// another and mostly wait. Kernels that do not know the request leave the thread as it was.
void requestShortTurns();

}  // namespace platform
