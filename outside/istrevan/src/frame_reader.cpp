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
    std::string bytes;
    appendFrame(bytes, frame);
    return bytes;
}

void appendFrame(std::string& out, const wire::Frame& frame) {
    const std::size_t length = frame.ByteSizeLong();
    if (length > kMaxFrameLength) throw FrameError("frame of " + std::to_string(length) + " bytes is too long");
    const std::size_t start = out.size();
    out.resize(start + kLengthSize + length);
    auto* bytes = reinterpret_cast<std::uint8_t*>(out.data() + start);
    for (std::size_t i = 0; i < kLengthSize; ++i) bytes[i] = static_cast<std::uint8_t>((length >> (8 * i)) & 0xff);
    frame.SerializeWithCachedSizesToArray(bytes + kLengthSize);
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
    wire::Frame frame;
    if (!next(frame)) return std::nullopt;
    return frame;
}

bool FrameReader::next(wire::Frame& frame) {
    if (failed_) throw FrameError("the stream has failed already");
    if (buffered() < kLengthSize) return false;
    const std::uint32_t length = readLength(buffer_.data() + offset_);
    if (length > kMaxFrameLength) {
        failed_ = true;
        throw FrameError("declared frame length " + std::to_string(length) + " exceeds " +
                         std::to_string(kMaxFrameLength));
    }
    if (buffered() - kLengthSize < length) return false;
    const bool parsed = frame.ParseFromArray(buffer_.data() + offset_ + kLengthSize, static_cast<int>(length));
    offset_ += kLengthSize + length;
    if (!parsed || frame.kind_case() == wire::Frame::KIND_NOT_SET) {
        failed_ = true;
        throw FrameError("malformed frame of " + std::to_string(length) + " bytes");
    }
    return true;
}

}  // namespace foundation::msg_svc::exchange
