#include "foundation/msg_svc/exchange/frame_reader.h"

namespace foundation::msg_svc::exchange {
namespace {

constexpr std::size_t kLengthSize = 4;

std::uint32_t readLength(const char* bytes) {
    std::uint32_t length = 0;
    for (std::size_t i = 0; i < kLengthSize; ++i)
        length |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
    return length;
}

}  // namespace

std::string encodeFrame(const wire::Frame& frame) {
    const std::string body = frame.SerializeAsString();
    if (body.size() > kMaxFrameLength) throw FrameError("frame of " + std::to_string(body.size()) + " bytes is too long");
    std::string bytes(kLengthSize, '\0');
    for (std::size_t i = 0; i < kLengthSize; ++i) bytes[i] = static_cast<char>((body.size() >> (8 * i)) & 0xff);
    return bytes + body;
}

void FrameReader::append(std::string_view bytes) {
    if (failed_) return;
    // Drop what was taken already before growing, so the buffer never holds more than one frame's worth
    // of old bytes.
    if (offset_ > 0 && offset_ >= buffer_.size() / 2) {
        buffer_.erase(0, offset_);
        offset_ = 0;
    }
    buffer_.append(bytes);
}

std::optional<wire::Frame> FrameReader::next() {
    if (failed_) throw FrameError("the stream has failed already");
    if (buffered() < kLengthSize) return std::nullopt;
    const std::uint32_t length = readLength(buffer_.data() + offset_);
    if (length > kMaxFrameLength) {
        failed_ = true;
        throw FrameError("declared frame length " + std::to_string(length) + " exceeds " +
                         std::to_string(kMaxFrameLength));
    }
    if (buffered() - kLengthSize < length) return std::nullopt;
    wire::Frame frame;
    const bool parsed = frame.ParseFromArray(buffer_.data() + offset_ + kLengthSize, static_cast<int>(length));
    offset_ += kLengthSize + length;
    if (!parsed || frame.kind_case() == wire::Frame::KIND_NOT_SET) {
        failed_ = true;
        throw FrameError("malformed frame of " + std::to_string(length) + " bytes");
    }
    return frame;
}

}  // namespace foundation::msg_svc::exchange
