#include "platform/brief_wait.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>

#include "idle_cores.h"

namespace platform {
namespace {

using namespace std::chrono_literals;

// How often the machine's idle time is read.
constexpr auto kSampleEvery = 50ms;
// Fewer cores idle than this, on average over a sample: a look would take a core that other work waits for.
constexpr double kIdleCoresToLook = 1.0;
// How long a thread does not look after it lost its core in the middle of a look.
constexpr auto kQuietAfterLostCore = 20ms;

// The machine's idle and total time so far, in clock ticks, from the first line of /proc/stat; false when it
// cannot be read.
bool readCpuTimes(long long& idle, long long& total) {
    static const int stat = ::open("/proc/stat", O_RDONLY | O_CLOEXEC);
    if (stat < 0) return false;
    char text[256];
    const ssize_t got = ::pread(stat, text, sizeof text - 1, 0);
    if (got <= 0) return false;
    text[got] = '\0';
    long long user, nice, system, idleTicks, iowait, irq, softirq, steal;
    if (std::sscanf(text, "cpu %lld %lld %lld %lld %lld %lld %lld %lld", &user, &nice, &system, &idleTicks, &iowait,
                    &irq, &softirq, &steal) != 8)
        return false;
    idle = idleTicks + iowait;
    total = user + nice + system + idleTicks + iowait + irq + softirq + steal;
    return true;
}

// Whether the machine had fewer idle cores than a look needs, over the last sample; shared by all threads, and
// read again by whichever thread first finds it stale.
class IdleCores {
public:
    bool tooFew(BriefWait::Clock::time_point now) {
        const auto nowTicks = now.time_since_epoch().count();
        if (nowTicks >= nextSample_.load(std::memory_order_relaxed) && sampling_.try_lock()) {
            sample();
            nextSample_.store((now + kSampleEvery).time_since_epoch().count(), std::memory_order_relaxed);
            sampling_.unlock();
        }
        return tooFew_.load(std::memory_order_relaxed);
    }

private:
    void sample() {
        long long idle = 0, total = 0;
        if (!readCpuTimes(idle, total)) return;
        if (lastTotal_ > 0 && total > lastTotal_) {
            const double idleShare = static_cast<double>(idle - lastIdle_) / static_cast<double>(total - lastTotal_);
            tooFew_.store(idleShare * cores_ < kIdleCoresToLook, std::memory_order_relaxed);
        }
        lastIdle_ = idle, lastTotal_ = total;
    }

    const double cores_ = std::max(1u, std::thread::hardware_concurrency());
    std::atomic<BriefWait::Clock::rep> nextSample_{0};
    std::atomic<bool> tooFew_{false};
    std::mutex sampling_;
    long long lastIdle_ = 0, lastTotal_ = 0;  // under sampling_
};

IdleCores idleCores;
// -1: none; otherwise whether an idle core is taken to be there.
std::atomic<int> idleCoreOverride{-1};
thread_local BriefWait::Clock::time_point quietUntil;

}  // namespace

std::optional<bool> detail::exchangeIdleCoresOverride(std::optional<bool> idleCore) {
    const int previous = idleCoreOverride.exchange(idleCore ? int{*idleCore} : -1);
    return previous < 0 ? std::nullopt : std::optional<bool>(previous == 1);
}

bool BriefWait::coresContended(Clock::time_point now) {
    if (now < quietUntil) return true;
    const int forced = idleCoreOverride.load(std::memory_order_relaxed);
    return forced < 0 ? idleCores.tooFew(now) : forced == 0;
}

void BriefWait::lostCore(Clock::time_point now) { quietUntil = now + kQuietAfterLostCore; }

}  // namespace platform
