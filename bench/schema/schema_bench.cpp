// Serialise and parse cost of typical host commands and events.
#include <string>

#include <benchmark/benchmark.h>

#include "cefclient_messages.pb.h"

using cefclient_messages::windowMessage;

namespace {

windowMessage newWindowCommand() {
    windowMessage m;
    m.set_windowid("3f2a9c1e-window-0001");
    auto* w = m.mutable_newwindow();
    w->set_url("https://app.example.test/workspace/index.html?session=8f1d2c");
    w->set_x(100);
    w->set_y(100);
    w->set_width(1200);
    w->set_height(800);
    w->set_origin(1);
    w->set_visible(true);
    w->set_windowtype("Standard");
    w->set_windowextra("{\"kind\":\"editor\"}");
    w->set_windowflag(false);
    w->set_createparam1("param-one");
    w->set_createparam2("param-two");
    return m;
}

windowMessage setPositionCommand() {
    windowMessage m;
    m.set_windowid("3f2a9c1e-window-0001");
    auto* p = m.mutable_setposition();
    p->set_x(-8);
    p->set_y(120);
    p->set_width(1600);
    p->set_height(900);
    p->set_didendresize(true);
    p->set_timestamp(1'765'000'000'123'456ULL);
    return m;
}

windowMessage screenshotEvent() {
    windowMessage m;
    m.set_windowid("3f2a9c1e-window-0001");
    auto* s = m.mutable_screenshot();
    std::string image(1 << 20, '\0');
    for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<char>(i * 131u);
    s->set_imagedata(std::move(image));
    s->set_width(512);
    s->set_height(512);
    return m;
}

// Each serialisation must have the message's size; the bytes of the last one must read back to the message.
template <windowMessage (*Make)()>
void BM_Serialize(benchmark::State& state) {
    const windowMessage message = Make();
    const auto size = message.ByteSizeLong();
    std::string out;
    for (auto _ : state) {
        if (!message.SerializeToString(&out) || out.size() != size) {
            state.SkipWithError("serialisation failed");
            break;
        }
        benchmark::DoNotOptimize(out.data());
    }
    windowMessage back;
    if (!back.ParseFromString(out) || back.SerializeAsString() != message.SerializeAsString()) {
        state.SkipWithError("the serialised bytes do not read back to the message");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(out.size()));
}

// Each parse must succeed and name the window; one parse, before timing, must give back the whole message.
template <windowMessage (*Make)()>
void BM_Parse(benchmark::State& state) {
    const windowMessage message = Make();
    const std::string wire = message.SerializeAsString();
    windowMessage first;
    if (!first.ParseFromString(wire) || first.SerializeAsString() != wire) {
        state.SkipWithError("the parsed message differs from the one serialised");
    }
    for (auto _ : state) {
        windowMessage parsed;
        if (!parsed.ParseFromString(wire) || parsed.windowid() != message.windowid()) {
            state.SkipWithError("parse failed");
            break;
        }
        benchmark::DoNotOptimize(parsed);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(wire.size()));
}

}  // namespace

BENCHMARK(BM_Serialize<newWindowCommand>)->Name("Serialize/newWindow");
BENCHMARK(BM_Parse<newWindowCommand>)->Name("Parse/newWindow");
BENCHMARK(BM_Serialize<setPositionCommand>)->Name("Serialize/setPosition");
BENCHMARK(BM_Parse<setPositionCommand>)->Name("Parse/setPosition");
BENCHMARK(BM_Serialize<screenshotEvent>)->Name("Serialize/ScreenShot1MiB");
BENCHMARK(BM_Parse<screenshotEvent>)->Name("Parse/ScreenShot1MiB");
