// Commands per second into a live browser-window host over the exchange and GetPosition round trips per second,
// each beside a plain framed echo over a Unix socket pair carrying the same frames, and the round trips again with
// every core kept busy by spinning threads. Every command's reply and every position answer is counted and checked
// inside the timed part. Veltrane's allocations per round trip are counted by an allocator preloaded into it.
#include <condition_variable>
#include <mutex>

#include <benchmark/benchmark.h>
#include <boost/make_shared.hpp>

#include "ExchangeHost.h"
#include "VeltraneChild.h"
#include "allocation_count.h"
#include "busy_cores.h"
#include "cefexchange/messages.h"
#include "framed_echo.h"

namespace {

using MessagePtr = boost::shared_ptr<const foundation::msg_svc::exchange::Message>;
using namespace std::chrono_literals;

constexpr int kBatch = 1024;  // one-way commands per timed iteration
constexpr auto kTimeout = 10s;
const std::string kTitle(16, 't');

// Where a window stands; a position answer must name its window and carry its place.
struct Place {
    const char* id;
    int x, y, width, height;
};
constexpr Place kMeasured{"bench", 40, 50, 800, 600};
constexpr Place kOther{"other", 300, 200, 320, 240};

MessagePtr titleCommand() { return boost::make_shared<cefexchange::SetTitleMessage>(kMeasured.id, kTitle); }
MessagePtr positionRequest() { return boost::make_shared<cefexchange::SetCommandMessage>(kMeasured.id, "GetPosition"); }

// Veltrane attached to a host of this program's own, with two windows open; counts the replies to the host's
// commands and the position answers of the measured window, and notes any answer that is wrong.
class LiveHost {
public:
    // The environment entries are added to Veltrane's.
    explicit LiveHost(const std::vector<std::string>& environment = {})
        : child_(VELTRANE_BINARY, {"--from-webwindow", "-NamedPipeHandle", host_.socketPath()}, environment) {
        ready_ = host_.waitForPartner(kTimeout) && open(kMeasured) && open(kOther);
        host_.observe([this](const veltrane_host::ExchangeEndpoint::Received& received) { heard(received); });
        ready_ = ready_ && roundTrip();
    }

    bool ready() const { return ready_; }

    // Sends count commands without waiting; false when a send fails.
    bool send(const MessagePtr& message, int count) {
        try {
            for (int i = 0; i < count; ++i) host_.send(message, onReply_);
        } catch (const std::exception&) {
            return false;
        }
        sent_ += static_cast<std::uint64_t>(count);
        return true;
    }

    // True once every command sent so far is answered and the measured window's position came `positions` times
    // in all, every one right.
    bool answered(std::uint64_t positions) {
        std::unique_lock lock(mutex_);
        awaitedReplies_ = sent_, awaitedPositions_ = positions;
        return changed_.wait_for(lock, kTimeout, [&] { return complete(); }) && replies_ == sent_ &&
               positions_ == positions && !wrong_;
    }

    // Asks the measured window's position and waits for the answer and the reply.
    bool roundTrip() { return send(positionRequest_, 1) && answered(++positionsAsked_); }

    std::uint64_t positionsAsked() const { return positionsAsked_; }

private:
    bool open(const Place& place) {
        const bool opened = host_.command(
            boost::make_shared<cefexchange::NewWindowMessage>(place.id, "https://bench.test/", place.x, place.y,
                                                              place.width, place.height, 0, true, "Standard", "",
                                                              false, "", ""),
            kTimeout);
        return opened && host_.waitFor(
                             [&](const auto& received) {
                                 for (const auto& entry : received) {
                                     auto m = boost::dynamic_pointer_cast<const cefexchange::SetCommandMessage>(entry.message);
                                     if (m && m->getData().windowid() == place.id && m->getData().command() == "loadFinished")
                                         return true;
                                 }
                                 return false;
                             },
                             kTimeout);
    }

    // On an I/O thread.
    void heard(const veltrane_host::ExchangeEndpoint::Received& received) {
        auto position = boost::dynamic_pointer_cast<const cefexchange::GetPositionMessage>(received.message);
        if (!position) return;
        const auto& p = position->getData();
        const bool right = p.windowid() == kMeasured.id && p.x() == kMeasured.x && p.y() == kMeasured.y &&
                           p.width() == kMeasured.width && p.height() == kMeasured.height && !p.outer();
        bool complete = false;
        {
            std::lock_guard lock(mutex_);
            ++positions_;
            wrong_ = wrong_ || !right;
            complete = this->complete();
        }
        if (complete) changed_.notify_all();
    }

    void replied() {
        bool complete = false;
        {
            std::lock_guard lock(mutex_);
            ++replies_;
            complete = this->complete();
        }
        if (complete) changed_.notify_all();
    }

    // Under mutex_: what the waiting thread waits for has come, so it is worth waking.
    bool complete() const { return replies_ >= awaitedReplies_ && positions_ >= awaitedPositions_; }

    veltrane_host::ExchangeHost host_{1};  // one I/O thread, as the echo has one reader
    veltrane_host::ChildProcess child_;
    const MessagePtr positionRequest_ = positionRequest();
    const foundation::msg_svc::exchange::ExchangeApi::ReplyCallback onReply_ = [this](const auto&) { replied(); };
    bool ready_ = false;
    std::uint64_t sent_ = 0;
    std::uint64_t positionsAsked_ = 0;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::uint64_t replies_ = 0;
    std::uint64_t positions_ = 0;
    std::uint64_t awaitedReplies_ = 0;
    std::uint64_t awaitedPositions_ = 0;
    bool wrong_ = false;
};

// Throughputs of the same frames that the closing summary divides.
void countAim(benchmark::State& state, const std::string& counter, std::uint64_t items) {
    state.counters[counter] = benchmark::Counter(static_cast<double>(items), benchmark::Counter::kIsRate);
    state.SetItemsProcessed(static_cast<std::int64_t>(items));
}

void VeltraneExchangeOneWayCommands(benchmark::State& state) {
    LiveHost host;
    if (!host.ready()) state.SkipWithError("the host did not open the windows");
    const MessagePtr title = titleCommand();
    std::uint64_t sent = 0;
    for (auto _ : state) {
        if (!host.send(title, kBatch) || !host.answered(host.positionsAsked())) {
            state.SkipWithError("a command was not answered");
            break;
        }
        sent += kBatch;
    }
    countAim(state, "ratio:exchange-oneway:ours", sent);
}

void EchoOneWayFrames(benchmark::State& state) {
    const std::uint64_t sent = bench_echo::echoBatches(state, bench_echo::frameOf(*titleCommand()), kBatch, kTimeout);
    countAim(state, "ratio:exchange-oneway:baseline", sent);
}

// Round trips for as long as the state runs; those answered right. The state fails at the first that is not.
std::uint64_t roundTrips(benchmark::State& state, LiveHost& host) {
    if (!host.ready()) state.SkipWithError("the host did not open the windows");
    std::uint64_t done = 0;
    for (auto _ : state) {
        if (!host.roundTrip()) {
            state.SkipWithError("a position was not answered, or answered wrong");
            break;
        }
        ++done;
    }
    return done;
}

void VeltraneExchangeGetPositionRoundTrip(benchmark::State& state) {
    LiveHost host;
    countAim(state, "ratio:exchange-roundtrip:ours", roundTrips(state, host));
}

void EchoRoundTrip(benchmark::State& state) {
    countAim(state, "ratio:exchange-roundtrip:baseline",
             bench_echo::echoRoundTrips(state, bench_echo::frameOf(*positionRequest())));
}

void VeltraneExchangeGetPositionRoundTripLoaded(benchmark::State& state) {
    LiveHost host;
    bench_load::BusyCores busy;
    countAim(state, "ratio:exchange-roundtrip-loaded:ours", roundTrips(state, host));
}

void EchoRoundTripLoaded(benchmark::State& state) {
    const std::string frame = bench_echo::frameOf(*positionRequest());
    bench_load::BusyCores busy;
    countAim(state, "ratio:exchange-roundtrip-loaded:baseline", bench_echo::echoRoundTrips(state, frame));
}

// Every allocation Veltrane makes while the round trips run, on all its threads, per round trip.
void VeltraneExchangeRoundTripAllocations(benchmark::State& state) {
    bench_allocations::AllocationCount allocations(ALLOCATION_COUNTER_LIBRARY);
    LiveHost host(allocations.childEnvironment());
    const std::uint64_t before = allocations.now();
    const std::uint64_t done = roundTrips(state, host);
    if (done > 0)
        state.counters["rate:exchange-roundtrip-allocations"] =
            static_cast<double>(allocations.now() - before) / static_cast<double>(done);
}

}  // namespace

BENCHMARK(VeltraneExchangeOneWayCommands)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(EchoOneWayFrames)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(VeltraneExchangeGetPositionRoundTrip)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(EchoRoundTrip)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(VeltraneExchangeGetPositionRoundTripLoaded)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(EchoRoundTripLoaded)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(VeltraneExchangeRoundTripAllocations)->Unit(benchmark::kMicrosecond)->UseRealTime();

BENCHMARK_MAIN();
