// Commands per second into a live browser-window host and GetPosition round trips per second, each beside the
// same figure for a plain echo peer over the same kind of pipe.
#include <benchmark/benchmark.h>

#include "VeltraneChild.h"
#include "cefclient_messages.pb.h"

using cefclient_messages::windowMessage;
using namespace std::chrono_literals;

namespace {

constexpr int kBatch = 500;
constexpr auto kTimeout = 10s;

windowMessage command(const std::string& word) {
    windowMessage m;
    m.set_windowid("bench");
    m.mutable_setcommand()->set_command(word);
    return m;
}

windowMessage title(int n) {
    windowMessage m;
    m.set_windowid("bench");
    m.mutable_settitle()->set_title("title " + std::to_string(n));
    return m;
}

class LiveHost {
public:
    LiveHost() : child_(VELTRANE_BINARY, {"--from-webwindow"}) {
        child_.receive(kTimeout);  // ProcessCreated
        windowMessage m;
        m.set_windowid("bench");
        auto* w = m.mutable_newwindow();
        w->set_url("https://bench.test/"), w->set_x(0), w->set_y(0), w->set_width(640), w->set_height(480);
        w->set_origin(0), w->set_visible(true), w->set_windowtype("Standard"), w->set_windowextra("");
        w->set_windowflag(false), w->set_createparam1(""), w->set_createparam2("");
        child_.send(m.SerializeAsString());
        roundTrip();
    }

    void send(const windowMessage& message) { child_.send(message.SerializeAsString()); }

    // Asks the position and reads until the answer, draining whatever the host reported before it.
    bool roundTrip() {
        child_.send(getPosition_);
        while (auto frame = child_.receive(kTimeout)) {
            windowMessage message;
            if (message.ParseFromString(*frame) && message.has_getposition()) return true;
        }
        return false;
    }

private:
    veltrane_host::ChildProcess child_;
    const std::string getPosition_ = command("GetPosition").SerializeAsString();
};

void VeltraneOneWayCommands(benchmark::State& state) {
    LiveHost host;
    int n = 0;
    for (auto _ : state) {
        for (int i = 0; i < kBatch; ++i) host.send(title(n++));
        if (!host.roundTrip()) state.SkipWithError("no answer");
    }
    state.SetItemsProcessed(state.iterations() * kBatch);
}

void VeltraneGetPositionRoundTrip(benchmark::State& state) {
    LiveHost host;
    for (auto _ : state) {
        if (!host.roundTrip()) state.SkipWithError("no answer");
    }
    state.SetItemsProcessed(state.iterations());
}

void EchoOneWayFrames(benchmark::State& state) {
    veltrane_host::ChildProcess echo(ECHO_PEER_BINARY, {});
    const std::string frame = title(0).SerializeAsString();
    for (auto _ : state) {
        for (int i = 0; i < kBatch; ++i) echo.send(frame);
        for (int i = 0; i < kBatch; ++i) {
            if (!echo.receive(kTimeout)) state.SkipWithError("no echo");
        }
    }
    state.SetItemsProcessed(state.iterations() * kBatch);
}

void EchoRoundTrip(benchmark::State& state) {
    veltrane_host::ChildProcess echo(ECHO_PEER_BINARY, {});
    const std::string frame = command("GetPosition").SerializeAsString();
    for (auto _ : state) {
        echo.send(frame);
        if (!echo.receive(kTimeout)) state.SkipWithError("no echo");
    }
    state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(VeltraneOneWayCommands)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(EchoOneWayFrames)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(VeltraneGetPositionRoundTrip)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(EchoRoundTrip)->Unit(benchmark::kMicrosecond)->UseRealTime();

BENCHMARK_MAIN();
