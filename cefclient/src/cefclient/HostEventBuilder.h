#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The event words the bridge reports to the host, and the window messages they become on the pipe.
namespace host_events {

// "ProcessCreated" and "closePipes" travel as the bare word instead of a window message.
bool isBareWord(const std::string& event);

// The serialised window message for an event word and its text arguments; nothing when an argument that the
// word uses is missing or fails its number conversion. nowMicros stamps the resize event.
std::optional<std::string> buildPayload(const std::string& windowID, const std::string& event,
                                        const std::vector<std::string>& args, std::uint64_t nowMicros);

}  // namespace host_events
