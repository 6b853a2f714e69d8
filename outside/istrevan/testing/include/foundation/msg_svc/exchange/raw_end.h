#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include <boost/asio/io_context.hpp>
#include <boost/asio/local/stream_protocol.hpp>
#include <boost/system/error_code.hpp>

#include "foundation/msg_svc/exchange/frame_reader.h"

namespace foundation::msg_svc::exchange::testing {

// One end of an exchange connection driven by hand: any bytes out, whole frames in. Both ends of a test may
// be in one process, and a signal may interrupt any call: each is made again. One thread may write while
// another reads.
class RawEnd {
public:
    using Socket = boost::asio::local::stream_protocol::socket;

    // A read gives up after readLimit of silence, and a write after 30 s in which the other side took nothing,
    // so that a side that never answers or never reads fails instead of hanging.
    explicit RawEnd(Socket socket, std::chrono::milliseconds readLimit = std::chrono::seconds(5));
    static RawEnd connect(boost::asio::io_context& context, const std::string& path,
                          std::chrono::milliseconds readLimit = std::chrono::seconds(5));

    // Writes all the bytes; false once the stream failed or the write limit passed.
    bool tryWrite(std::string_view bytes);
    // Writes all the bytes; throws std::system_error once the stream failed or the write limit passed.
    void write(std::string_view bytes);
    void writeHandshake(const std::string& name, const std::string& protocol, const std::string& version);

    // The next frame; nothing once the other side closed the stream, the stream failed, or the other side said
    // nothing for the read limit (fellSilent).
    std::optional<wire::Frame> readFrame();
    // True when the other side closes the stream (after any frames it sent first), false when it keeps it open.
    bool closedByOtherSide();
    // True once a read found the stream closed by the other side.
    bool ended() const;
    // True when the last read gave up on the other side's silence.
    bool fellSilent() const;

private:
    static constexpr std::chrono::milliseconds kWriteLimit = std::chrono::seconds(30);

    boost::system::error_code writeAll(std::string_view bytes);
    // Waits until the socket is ready for the events, for at most the limit; timed_out when it is not.
    boost::system::error_code awaitReady(short events, std::chrono::milliseconds limit);

    Socket socket_;
    std::chrono::milliseconds readLimit_;
    boost::system::error_code lastError_;
    FrameReader reader_;
};

}  // namespace foundation::msg_svc::exchange::testing
