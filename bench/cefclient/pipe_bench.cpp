// Commands per second into a live browser-window host and GetPosition round trips per second, each beside the
// same figure for a plain echo peer over the same kind of pipe. Every batch ends with a GetPosition round trip:
// the host queues it on the window behind the titles, so its answer shows the whole batch was applied; the
// echo peer answers only that last frame of each batch. Every answer is checked.
#include <benchmark/benchmark.h>

#include "HostMessages.h"
#include "VeltraneChild.h"
#include "cefclient_messages.pb.h"

using cefclient_messages::windowMessage;
using namespace std::chrono_literals;

namespace {

constexpr int kBatch = 500;
constexpr auto kTimeout = 10s;

windowMessage title(int n) {
    windowMessage m;
    m.set_windowid("bench");
    m.mutable_settitle()->set_title("title " + std::to_string(n));
    return m;
}

bool isPositionAnswer(const std::string& frame) {
    windowMessage message;
    return message.ParseFromString(frame) && message.has_getposition() && message.windowid() == "bench";
}

// The counters the closing summary divides: throughputs of the same work on our path and on the echo.
void countAim(benchmark::State& state, const std::string& aim, const char* side, int itemsPerIteration) {
    state.counters["ratio:" + aim + ":" + side] =
        benchmark::Counter(itemsPerIteration, benchmark::Counter::kIsIterationInvariantRate);
    state.SetItemsProcessed(state.iterations() * itemsPerIteration);
}

class LiveHost {
public:
    LiveHost() : child_(VELTRANE_BINARY, {"--from-webwindow"}) {
        child_.receive(kTimeout);  // ProcessCreated
        const windowMessage window =
            veltrane_host::newWindowMessage("bench", "https://bench.test/", 0, 0, 640, 480);
        child_.send(window.SerializeAsString());
        ready_ = roundTrip();
    }

    bool ready() const { return ready_; }
    bool send(const windowMessage& message) { return child_.send(message.SerializeAsString()); }

    // Asks the position and reads until the answer, draining whatever the host reported before it.
    bool roundTrip() {
        if (!child_.send(getPosition_)) return false;
        while (auto frame = child_.receive(kTimeout)) {
            if (isPositionAnswer(*frame)) return true;
        }
        return false;
    }

private:
    veltrane_host::ChildProcess child_;
    const std::string getPosition_ = veltrane_host::commandMessage("bench", "GetPosition").SerializeAsString();
    bool ready_ = false;
};

void VeltraneOneWayCommands(benchmark::State& state) {
    LiveHost host;
    if (!host.ready()) state.SkipWithError("the host did not open the window");
    int n = 0;
    for (auto _ : state) {
        bool sent = true;
        for (int i = 0; i < kBatch; ++i) sent = host.send(title(n++)) && sent;
        if (!sent || !host.roundTrip()) {
            state.SkipWithError("the host did not take the whole batch");
            break;
        }
    }
    countAim(state, "pipe-oneway", "ours", kBatch);
}

void VeltraneGetPositionRoundTrip(benchmark::State& state) {
    LiveHost host;
    if (!host.ready()) state.SkipWithError("the host did not open the window");
    for (auto _ : state) {
        if (!host.roundTrip()) {
            state.SkipWithError("no answer");
            break;
        }
    }
    countAim(state, "pipe-roundtrip", "ours", 1);
}

void EchoOneWayFrames(benchmark::State& state) {
    // The same frames as the host gets; the peer answers only the GetPosition frame that ends each batch.
    veltrane_host::ChildProcess echo(ECHO_PEER_BINARY, {std::to_string(kBatch + 1)});
    const std::string getPosition = veltrane_host::commandMessage("bench", "GetPosition").SerializeAsString();
    int n = 0;
    for (auto _ : state) {
        bool sent = true;
        for (int i = 0; i < kBatch; ++i) sent = echo.send(title(n++).SerializeAsString()) && sent;
        sent = echo.send(getPosition) && sent;
        const auto answer = echo.receive(kTimeout);
        if (!sent || answer != getPosition) {
            state.SkipWithError("the echo did not take the whole batch");
            break;
        }
    }
    countAim(state, "pipe-oneway", "baseline", kBatch);
}

void EchoRoundTrip(benchmark::State& state) {
    veltrane_host::ChildProcess echo(ECHO_PEER_BINARY, {});
    const std::string frame = veltrane_host::commandMessage("bench", "GetPosition").SerializeAsString();
    for (auto _ : state) {
        if (!echo.send(frame) || echo.receive(kTimeout) != frame) {
            state.SkipWithError("no echo");
            break;
        }
    }
    countAim(state, "pipe-roundtrip", "baseline", 1);
}

}  // namespace

BENCHMARK(VeltraneOneWayCommands)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(EchoOneWayFrames)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(VeltraneGetPositionRoundTrip)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(EchoRoundTrip)->Unit(benchmark::kMicrosecond)->UseRealTime();

BENCHMARK_MAIN();
