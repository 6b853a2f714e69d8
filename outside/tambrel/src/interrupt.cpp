#include "install/tambrel/interrupt.h"

#include <atomic>

namespace install::tambrel::interrupt {
namespace {
std::atomic<bool> requested{false};
}

void set() { requested.store(true); }
void clear() { requested.store(false); }
bool is_set() { return requested.load(); }

}  // namespace install::tambrel::interrupt
