#include <benchmark/benchmark.h>

#include <nlohmann/json.hpp>
#include <rapidjson/document.h>

#include <string>

#include "EditorServices/JsonParser.h"

namespace {

std::string smallGetRequest() {
    return R"({"requestId": "req-42", "uid": "client-7", "flavors": ["text/plain", "text/html", "application/tarnel_json", "image/png"]})";
}

std::string imageSetRequest() {
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string base64(1 << 20, 'A');
    for (std::size_t i = 0; i < base64.size(); ++i) base64[i] = alphabet[(i * 7919 + i / 64) % 64];
    return R"({"requestId": "req-43", "uid": "client-7", "contents": [{"flavor": "image/png", "content": "data:image/png;base64,)" +
           base64 + R"("}, {"flavor": "text/plain", "content": "caption"}]})";
}

std::string manyMembersRequest() {
    std::string text = R"({"requestId": "req-44")";
    for (int i = 0; i < 10000; ++i) {
        text += ", \"member" + std::to_string(i) + "\": ";
        text += i % 2 ? "\"value " + std::to_string(i) + "\"" : std::to_string(i * 3) + ".25";
    }
    return text + "}";
}

void parseWithPastrel(benchmark::State& state, const std::string& text) {
    for (auto _ : state) {
        EditorServices::JsonObject members;
        const char* position = text.data();
        auto status = EditorServices::parseJsonObject(members, position, text.data() + text.size(), false);
        if (status != 0) state.SkipWithError("parse failed");
        benchmark::DoNotOptimize(members);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void parseWithRapidJson(benchmark::State& state, const std::string& text) {
    for (auto _ : state) {
        rapidjson::Document document;
        document.Parse(text.data(), text.size());
        if (document.HasParseError()) state.SkipWithError("parse failed");
        benchmark::DoNotOptimize(document);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void parseWithNlohmann(benchmark::State& state, const std::string& text) {
    for (auto _ : state) {
        auto document = nlohmann::json::parse(text);
        benchmark::DoNotOptimize(document);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

const std::string smallGet = smallGetRequest();
const std::string imageSet = imageSetRequest();
const std::string manyMembers = manyMembersRequest();

BENCHMARK_CAPTURE(parseWithPastrel, small_get, smallGet);
BENCHMARK_CAPTURE(parseWithRapidJson, small_get, smallGet);
BENCHMARK_CAPTURE(parseWithNlohmann, small_get, smallGet);
BENCHMARK_CAPTURE(parseWithPastrel, image_set_1MiB, imageSet);
BENCHMARK_CAPTURE(parseWithRapidJson, image_set_1MiB, imageSet);
BENCHMARK_CAPTURE(parseWithNlohmann, image_set_1MiB, imageSet);
BENCHMARK_CAPTURE(parseWithPastrel, members_10000, manyMembers);
BENCHMARK_CAPTURE(parseWithRapidJson, members_10000, manyMembers);
BENCHMARK_CAPTURE(parseWithNlohmann, members_10000, manyMembers);

}  // namespace
