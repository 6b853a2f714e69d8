#include "veltranelib/main_message_loop.h"

#include <atomic>

namespace client {
namespace {
std::atomic<MainMessageLoop*> current{nullptr};
}

MainMessageLoop* MainMessageLoop::Get() { return current.load(); }

MainMessageLoop::MainMessageLoop() { current = this; }

MainMessageLoop::~MainMessageLoop() {
    MainMessageLoop* self = this;
    current.compare_exchange_strong(self, nullptr);
}

}  // namespace client
