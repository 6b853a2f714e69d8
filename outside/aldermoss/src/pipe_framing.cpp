#include <algorithm>
#include <array>
#include <cstdint>
#include <istream>
#include <ostream>

#include "aldermoss/cefclient_utils.h"

namespace cefclient_utils {
namespace {

// Large payloads are read in pieces so that a lying length cannot reserve memory up front.
constexpr std::size_t kReadChunk = 1u << 20;

// Straight from the buffer: going through the stream's sentry would flush a tied output stream (standard
// output, for standard input) before every frame.
std::size_t readFromBuffer(std::istream& stream, char* buffer, std::size_t size) {
    std::streambuf* source = stream.good() ? stream.rdbuf() : nullptr;
    return source == nullptr
               ? 0
               : static_cast<std::size_t>(source->sgetn(buffer, static_cast<std::streamsize>(size)));
}

bool readExactly(std::istream& stream, char* buffer, std::size_t size) {
    return readFromBuffer(stream, buffer, size) == size;
}

}  // namespace

bool readMessageFromPipe(std::istream& stream, std::string& message) {
    message.clear();
    std::array<unsigned char, 4> header{};
    const std::size_t headerRead =
        readFromBuffer(stream, reinterpret_cast<char*>(header.data()), header.size());
    if (headerRead != header.size()) {
        // A stream that ends between frames is a clean end; inside the length it is a failure.
        stream.setstate(headerRead == 0 ? std::ios::eofbit | std::ios::failbit : std::ios::failbit);
        return false;
    }
    const std::uint32_t length = std::uint32_t(header[0]) | std::uint32_t(header[1]) << 8 |
                                 std::uint32_t(header[2]) << 16 | std::uint32_t(header[3]) << 24;
    if (length > kMaxPipeMessageSize) {
        stream.setstate(std::ios::failbit);
        return false;
    }
    // Straight into message, so that a caller reading frame after frame into one string keeps its capacity.
    while (message.size() < length) {
        const std::size_t piece = std::min<std::size_t>(kReadChunk, length - message.size());
        const std::size_t start = message.size();
        message.resize(start + piece);
        if (!readExactly(stream, message.data() + start, piece)) {
            message.clear();
            stream.setstate(std::ios::failbit);
            return false;
        }
    }
    return true;
}

bool sendMessageToPipe(std::ostream& stream, const std::string& message) {
    if (message.size() > kMaxPipeMessageSize) return false;
    const auto length = static_cast<std::uint32_t>(message.size());
    const char header[4] = {static_cast<char>(length & 0xff), static_cast<char>(length >> 8 & 0xff),
                            static_cast<char>(length >> 16 & 0xff), static_cast<char>(length >> 24 & 0xff)};
    stream.write(header, sizeof header);
    stream.write(message.data(), static_cast<std::streamsize>(message.size()));
    stream.flush();
    return static_cast<bool>(stream);
}

}  // namespace cefclient_utils
