#include "foundation/msg_svc/exchange/raw_end.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <system_error>

#include <boost/asio/buffer.hpp>
#include <boost/asio/error.hpp>

namespace foundation::msg_svc::exchange::testing {
namespace {

bool interrupted(const boost::system::error_code& error) { return error == boost::asio::error::interrupted; }

}  // namespace

RawEnd::RawEnd(Socket socket, std::chrono::milliseconds readLimit)
    : socket_(std::move(socket)), readLimit_(readLimit) {}

RawEnd RawEnd::connect(boost::asio::io_context& context, const std::string& path,
                       std::chrono::milliseconds readLimit) {
    Socket socket(context);
    socket.connect(boost::asio::local::stream_protocol::endpoint(path));
    return RawEnd(std::move(socket), readLimit);
}

bool RawEnd::tryWrite(std::string_view bytes) { return !writeAll(bytes); }

void RawEnd::write(std::string_view bytes) {
    if (const auto failed = writeAll(bytes)) throw std::system_error(failed, "writing to the raw end");
}

// Straight on the descriptor, without waiting in the call: the limit is kept by the wait before it, and a
// reading thread shares the socket.
boost::system::error_code RawEnd::writeAll(std::string_view bytes) {
    for (std::size_t written = 0; written < bytes.size();) {
        const ssize_t sent = ::send(socket_.native_handle(), bytes.data() + written, bytes.size() - written,
                                    MSG_DONTWAIT | MSG_NOSIGNAL);
        if (sent > 0) {
            written += static_cast<std::size_t>(sent);
        } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (const auto failed = awaitReady(POLLOUT, kWriteLimit)) return failed;
        } else if (sent < 0 && errno != EINTR) {
            return boost::system::error_code(errno, boost::system::system_category());
        }
    }
    return {};
}

boost::system::error_code RawEnd::awaitReady(short events, std::chrono::milliseconds limit) {
    pollfd socket{socket_.native_handle(), events, 0};
    int ready = 0;
    do {
        ready = ::poll(&socket, 1, static_cast<int>(limit.count()));
    } while (ready < 0 && errno == EINTR);
    return ready == 1 ? boost::system::error_code() : boost::asio::error::timed_out;
}

void RawEnd::writeHandshake(const std::string& name, const std::string& protocol, const std::string& version) {
    wire::Frame frame;
    frame.mutable_handshake()->set_name(name);
    frame.mutable_handshake()->set_protocol(protocol);
    frame.mutable_handshake()->set_version(version);
    write(encodeFrame(frame));
}

std::optional<wire::Frame> RawEnd::readFrame() {
    for (;;) {
        if (auto frame = reader_.next()) return frame;
        if (const auto silent = awaitReady(POLLIN, readLimit_)) {
            lastError_ = silent;
            return std::nullopt;
        }
        char chunk[64 * 1024];
        boost::system::error_code error;
        const std::size_t received = socket_.read_some(boost::asio::buffer(chunk), error);
        if (interrupted(error)) continue;
        if (error) {
            lastError_ = error;
            return std::nullopt;
        }
        reader_.append(std::string_view(chunk, received));
    }
}

bool RawEnd::closedByOtherSide() {
    while (readFrame()) {
    }
    return ended();
}

bool RawEnd::ended() const {
    return lastError_ == boost::asio::error::eof || lastError_ == boost::asio::error::connection_reset;
}

bool RawEnd::fellSilent() const { return lastError_ == boost::asio::error::timed_out; }

}  // namespace foundation::msg_svc::exchange::testing
