// The request parser beside two general-purpose JSON parsers, on the same texts. Before timing, each
// parser's result is checked against the same text read by RapidJSON at full precision; every timed
// parse checks its status and member count.
#include <benchmark/benchmark.h>

#include <nlohmann/json.hpp>
#include <rapidjson/document.h>

#include <cstddef>
#include <string>
#include <variant>

#include "EditorServices/JsonParser.h"

namespace {

using foundation::json::Value;

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

// Objects and arrays inside each other as deep as the parser accepts.
std::string deeplyNestedRequest() {
    const int levels = EditorServices::maxJsonNesting - 1;  // inside the outer object
    std::string text = R"({"requestId": "req-45", "nested": )";
    for (int i = 0; i < levels; ++i) text += i % 2 ? R"({"level": )" : "[1.5, ";
    text += "true";
    for (int i = levels - 1; i >= 0; --i) text += i % 2 ? "}" : "]";
    return text + "}";
}

// Text of many scripts: escapes of every kind, surrogate pairs and raw multi-byte UTF-8.
std::string escapedTextRequest() {
    std::string content;
    for (int i = 0; i < 2000; ++i) {
        content += R"(line \"quoted\"\tcaf\u00e9 \u4e2d\u6587 \ud83d\ude00 )";
        content += "ελληνικά 日本語 😀 \\\\ \\/ \\n";
    }
    return R"({"requestId": "req-46", "contents": [{"flavor": "text/plain", "content": ")" + content + R"("}]})";
}

const std::string smallGet = smallGetRequest();
const std::string imageSet = imageSetRequest();
const std::string manyMembers = manyMembersRequest();
const std::string deeplyNested = deeplyNestedRequest();
const std::string escapedText = escapedTextRequest();

bool sameAs(const Value& ours, const rapidjson::Value& theirs);

bool sameMembers(const EditorServices::JsonObject& ours, const rapidjson::Value& theirs) {
    if (!theirs.IsObject() || ours.size() != theirs.MemberCount()) return false;
    for (const auto& member : theirs.GetObject()) {
        const auto found = ours.find(std::string(member.name.GetString(), member.name.GetStringLength()));
        if (found == ours.end() || !sameAs(found->second, member.value)) return false;
    }
    return true;
}

bool sameAs(const Value& ours, const rapidjson::Value& theirs) {
    const auto& storage = ours.storage();
    if (const auto* text = std::get_if<std::string>(&storage)) {
        return theirs.IsString() && *text == std::string(theirs.GetString(), theirs.GetStringLength());
    }
    if (const auto* number = std::get_if<double>(&storage)) return theirs.IsNumber() && *number == theirs.GetDouble();
    if (const auto* flag = std::get_if<bool>(&storage)) return theirs.IsBool() && *flag == theirs.GetBool();
    if (std::holds_alternative<foundation::json::Null>(storage)) return theirs.IsNull();
    if (const auto* members = std::get_if<EditorServices::JsonObject>(&storage)) return sameMembers(*members, theirs);
    if (const auto* elements = std::get_if<EditorServices::JsonArray>(&storage)) {
        if (!theirs.IsArray() || elements->size() != theirs.Size()) return false;
        for (rapidjson::SizeType i = 0; i < theirs.Size(); ++i) {
            if (!sameAs((*elements)[i], theirs[i])) return false;
        }
        return true;
    }
    return false;
}

// The reference reading of the text, with every number converted to its nearest double.
rapidjson::Document reference(const std::string& text) {
    rapidjson::Document document;
    document.Parse<rapidjson::kParseFullPrecisionFlag>(text.data(), text.size());
    return document;
}

// Counters the closing summary reads. An aim "ratio:<name>" counts parses per second of the same text as
// "ratio:<name>:ours" and "ratio:<name>:baseline"; an aim "rate:<name>" counts our GB/s.
void countAim(benchmark::State& state, const std::string& aim, const char* side, const std::string& text) {
    if (aim.rfind("ratio:", 0) == 0) {
        state.counters[aim + ":" + side] = benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
    } else if (aim.rfind("rate:", 0) == 0 && std::string(side) == "ours") {
        state.counters[aim] =
            benchmark::Counter(static_cast<double>(text.size()) / 1e9, benchmark::Counter::kIsIterationInvariantRate);
    }
}

void parseWithPastrel(benchmark::State& state, const std::string& text, const std::string& aim) {
    const auto expected = reference(text);
    EditorServices::JsonObject first;
    const char* start = text.data();
    if (EditorServices::parseJsonObject(first, start, text.data() + text.size(), false) != 0 ||
        !sameMembers(first, expected)) {
        state.SkipWithError("the parser's result differs from the reference");
        return;
    }
    for (auto _ : state) {
        EditorServices::JsonObject members;
        const char* position = text.data();
        const auto status = EditorServices::parseJsonObject(members, position, text.data() + text.size(), false);
        if (status != 0 || members.size() != first.size()) {
            state.SkipWithError("parse failed");
            break;
        }
        benchmark::DoNotOptimize(members);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
    countAim(state, aim, "ours", text);
}

void parseWithRapidJson(benchmark::State& state, const std::string& text, const std::string& aim) {
    const auto expected = reference(text);
    {
        rapidjson::Document first;
        first.Parse(text.data(), text.size());
        if (first.HasParseError() || first.MemberCount() != expected.MemberCount()) {
            state.SkipWithError("RapidJSON's result differs from the reference");
            return;
        }
    }
    for (auto _ : state) {
        rapidjson::Document document;
        document.Parse(text.data(), text.size());
        if (document.HasParseError() || document.MemberCount() != expected.MemberCount()) {
            state.SkipWithError("parse failed");
            break;
        }
        benchmark::DoNotOptimize(document);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
    countAim(state, aim, "baseline", text);
}

void parseWithNlohmann(benchmark::State& state, const std::string& text, const std::string&) {
    const auto expected = reference(text);
    for (auto _ : state) {
        auto document = nlohmann::json::parse(text, nullptr, false);
        if (document.is_discarded() || document.size() != expected.MemberCount()) {
            state.SkipWithError("parse failed");
            break;
        }
        benchmark::DoNotOptimize(document);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

BENCHMARK_CAPTURE(parseWithPastrel, small_get, smallGet, std::string("ratio:json-small"));
BENCHMARK_CAPTURE(parseWithRapidJson, small_get, smallGet, std::string("ratio:json-small"));
BENCHMARK_CAPTURE(parseWithNlohmann, small_get, smallGet, std::string());
BENCHMARK_CAPTURE(parseWithPastrel, image_set_1MiB, imageSet, std::string("rate:json-string1m"));
BENCHMARK_CAPTURE(parseWithRapidJson, image_set_1MiB, imageSet, std::string());
BENCHMARK_CAPTURE(parseWithNlohmann, image_set_1MiB, imageSet, std::string());
BENCHMARK_CAPTURE(parseWithPastrel, members_10000, manyMembers, std::string("ratio:json-object10k"));
BENCHMARK_CAPTURE(parseWithRapidJson, members_10000, manyMembers, std::string("ratio:json-object10k"));
BENCHMARK_CAPTURE(parseWithNlohmann, members_10000, manyMembers, std::string());
BENCHMARK_CAPTURE(parseWithPastrel, nested_512, deeplyNested, std::string());
BENCHMARK_CAPTURE(parseWithRapidJson, nested_512, deeplyNested, std::string());
BENCHMARK_CAPTURE(parseWithNlohmann, nested_512, deeplyNested, std::string());
BENCHMARK_CAPTURE(parseWithPastrel, escapes_utf8, escapedText, std::string());
BENCHMARK_CAPTURE(parseWithRapidJson, escapes_utf8, escapedText, std::string());
BENCHMARK_CAPTURE(parseWithNlohmann, escapes_utf8, escapedText, std::string());

}  // namespace
