#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "exchange_frames.pb.h"

namespace foundation::msg_svc::exchange {

// The stream can no longer be read: a frame declared too long, or one that is not a frame.
class FrameError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The largest frame body a reader accepts.
constexpr std::uint32_t kMaxFrameLength = 64u * 1024u * 1024u;

// The frame with its length before it, ready to write.
std::string encodeFrame(const wire::Frame& frame);
// Appends the frame with its length before it to out; out is unchanged when the frame is too long (FrameError).
void appendFrame(std::string& out, const wire::Frame& frame);

// Cuts a byte stream into frames. Holds at most one incomplete frame, so memory stays within the
// largest accepted frame.
class FrameReader {
public:
    void append(std::string_view bytes);
    // The next complete frame, or nothing until more bytes arrive. Throws FrameError; after that the
    // reader stays failed.
    std::optional<wire::Frame> next();
    // The same into frame, whose storage is used again; false until more bytes arrive.
    bool next(wire::Frame& frame);
    // Bytes received but not yet taken as frames.
    std::size_t buffered() const { return buffer_.size() - offset_; }

private:
    std::string buffer_;
    std::size_t offset_ = 0;
    bool failed_ = false;
};

}  // namespace foundation::msg_svc::exchange
