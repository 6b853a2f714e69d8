#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

namespace cefclient_utils {

// Frames are a u32 little-endian payload length, then the payload.
inline constexpr std::uint32_t kMaxPipeMessageSize = 64u * 1024u * 1024u;

// Reads one whole frame into message. A stream that ends inside a frame, or a declared length
// over kMaxPipeMessageSize, is a stream failure: false, with the stream's fail state set and
// message left empty. A stream that ends before a frame starts gives false too.
bool readMessageFromPipe(std::istream& stream, std::string& message);

// Writes one frame and flushes; false when the stream fails or the message is too long.
bool sendMessageToPipe(std::ostream& stream, const std::string& message);

// True exactly when the process-wide command line holds the argument "-NamedPipeHandle".
bool isExchangeEnabled();

}  // namespace cefclient_utils
