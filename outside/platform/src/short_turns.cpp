#include "platform/short_turns.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <cstdint>

namespace platform {
namespace {

// The kernel's scheduling attributes, first version.
struct SchedulingAttributes {
    std::uint32_t size;
    std::uint32_t policy;
    std::uint64_t flags;
    std::int32_t nice;
    std::uint32_t priority;
    std::uint64_t runtime;  // for the normal policy: the length of a turn, in nanoseconds
    std::uint64_t deadline;
    std::uint64_t period;
};
static_assert(sizeof(SchedulingAttributes) == 48);

constexpr std::uint32_t kNormalPolicy = 0;
constexpr std::uint64_t kResetOnFork = 0x01;
// The shortest turn the kernel grants.
constexpr std::uint64_t kTurnNanoseconds = 100'000;

}  // namespace

void requestShortTurns() {
#if defined(SYS_sched_getattr) && defined(SYS_sched_setattr)
    SchedulingAttributes attributes{};
    if (::syscall(SYS_sched_getattr, 0, &attributes, sizeof attributes, 0) != 0) return;
    if (attributes.policy != kNormalPolicy) return;
    attributes.size = sizeof attributes;
    attributes.flags &= kResetOnFork;  // the others belong to later versions of the attributes
    attributes.runtime = kTurnNanoseconds;
    ::syscall(SYS_sched_setattr, 0, &attributes, 0);
#endif
}

}  // namespace platform
