#include "CallJournal.h"

#include <mutex>

namespace ravo::detail {
namespace {

struct GuardedJournal {
    std::mutex mutex;
    testing::CallJournal journal;
};

// Never destroyed: callers may still log while static objects go away at exit.
GuardedJournal& guardedJournal() {
    static auto* instance = new GuardedJournal;
    return *instance;
}

}  // namespace

void recordCall(const std::function<void(testing::CallJournal&)>& update) {
    auto& guarded = guardedJournal();
    std::lock_guard lock(guarded.mutex);
    update(guarded.journal);
}

}  // namespace ravo::detail

namespace ravo::testing {

CallJournal journal() {
    auto& guarded = detail::guardedJournal();
    std::lock_guard lock(guarded.mutex);
    return guarded.journal;
}

}  // namespace ravo::testing
