// Any bytes as a stream of exchange frames, fed in pieces whose sizes the first byte picks. The reader
// must fail cleanly or yield frames that survive a round trip, and never hold more than one frame.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "cefexchange/gaviston.h"
#include "foundation/msg_svc/exchange/exchange_protocol.h"
#include "foundation/msg_svc/exchange/frame_reader.h"

namespace exchange = foundation::msg_svc::exchange;

namespace {

void checkRoundTrip(const exchange::wire::Frame& frame) {
    exchange::FrameReader again;
    again.append(exchange::encodeFrame(frame));
    auto copy = again.next();
    if (!copy || copy->SerializeAsString() != frame.SerializeAsString()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = [] {
        exchange::ExchangeProtocol::init();
        cefexchange::Gaviston::init();
        return true;
    }();
    (void)ready;
    if (size == 0) return 0;
    const std::size_t piece = 1 + data[0] % 64;
    const std::string stream(reinterpret_cast<const char*>(data) + 1, size - 1);
    exchange::FrameReader reader;
    try {
        for (std::size_t at = 0; at < stream.size(); at += piece) {
            reader.append(std::string_view(stream).substr(at, piece));
            while (auto frame = reader.next()) {
                checkRoundTrip(*frame);
                if (frame->has_message()) {
                    try {
                        exchange::ExchangeProtocol::decode(frame->message().type(), frame->message().payload());
                    } catch (const std::runtime_error&) {
                        // An unknown type or an invalid payload is refused, never a crash.
                    }
                }
            }
            if (reader.buffered() > exchange::kMaxFrameLength + 4 + piece) std::abort();
        }
    } catch (const exchange::FrameError&) {
    }
    return 0;
}
