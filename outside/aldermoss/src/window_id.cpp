#include "aldermoss/window_id.h"

#include <atomic>
#include <unistd.h>

namespace aldermoss {

std::string generateWindowID() {
    static std::atomic<unsigned long long> counter{0};
    return "window-" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
}

}  // namespace aldermoss
