// Any bytes: the parser must stay inside the input, never crash, and keep its status contract.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "EditorServices/JsonParser.h"

namespace {

void parseOnce(const char* begin, const char* end, bool allowComments) {
    EditorServices::JsonObject members{{"before", true}};
    const char* position = begin;
    std::int32_t status = 0;
    try {
        status = EditorServices::parseJsonObject(members, position, end, allowComments);
    } catch (const std::runtime_error&) {
        return;  // a "zqtype" member that is not a string
    }
    if (position < begin || position > end) std::abort();
    switch (status) {
        case 0: {
            // What was parsed must serialise to text that parses again.
            const std::string text = foundation::json::serialize(foundation::json::Value(members));
            EditorServices::JsonObject again;
            const char* textPosition = text.data();
            if (EditorServices::parseJsonObject(again, textPosition, text.data() + text.size(), false) != 0) std::abort();
            break;
        }
        case 5: case 6: case 8: case 11: case 12: case 13: case 14: case 15:
        case 16: case 17: case 18: case 19: case 20: case 21:
            if (members.size() != 1 || !members.contains("before")) std::abort();
            break;
        default:
            std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto* begin = reinterpret_cast<const char*>(data);
    parseOnce(begin, begin + size, false);
    parseOnce(begin, begin + size, true);
    return 0;
}
