// Any bytes as a window message: a parse that succeeds must round-trip to a stable encoding.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "cefclient_messages.pb.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    cefclient_messages::windowMessage message;
    if (!message.ParseFromString(input)) return 0;
    const std::string first = message.SerializeAsString();
    cefclient_messages::windowMessage again;
    if (!again.ParseFromString(first) || again.SerializeAsString() != first) std::abort();
    return 0;
}
