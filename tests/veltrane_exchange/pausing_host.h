#pragma once

// A host of the browser-window program on a bare socket, so that a test decides when it reads and when it
// writes.
#include <cerrno>
#include <mutex>
#include <optional>
#include <string>

#include <boost/asio/io_context.hpp>
#include <boost/asio/local/stream_protocol.hpp>

#include "cefexchange/cef_service_api.h"
#include "exchange_harness.h"

namespace exchange_test {

class PausingHost {
public:
    explicit PausingHost(std::string socketPath)
        : path_(std::move(socketPath)),
          acceptor_(context_, boost::asio::local::stream_protocol::endpoint(path_)) {}

    const std::string& socketPath() const { return path_; }

    // Takes the program's connection and answers its handshake; false when it does not handshake.
    bool accept() {
        socket_.emplace(acceptor_.accept());
        const timeval readLimit{5, 0};
        const timeval writeLimit{30, 0};
        ::setsockopt(descriptor(), SOL_SOCKET, SO_RCVTIMEO, &readLimit, sizeof readLimit);
        ::setsockopt(descriptor(), SOL_SOCKET, SO_SNDTIMEO, &writeLimit, sizeof writeLimit);
        auto handshake = readFrame();
        if (!handshake || handshake->kind_case() != exchange::wire::Frame::kHandshake) return false;
        exchange::wire::Frame frame;
        frame.mutable_handshake()->set_name("host");
        frame.mutable_handshake()->set_protocol(kProtocol);
        frame.mutable_handshake()->set_version(kVersion);
        std::lock_guard lock(writeMutex_);
        writeAll(exchange::encodeFrame(frame));
        return true;
    }

    // Sends the message to the program's browser service; returns its id. Any thread may send. Throws
    // std::runtime_error when the program has not taken the frame within 30 seconds.
    exchange::IDType send(const exchange::Message& message) {
        exchange::wire::Frame frame;
        auto* body = frame.mutable_message();
        body->set_sender("host");
        body->set_service(cefexchange::CEFServiceAPI::serviceName);
        exchange::ExchangeProtocol::encode(message, *body->mutable_type(), *body->mutable_payload());
        std::lock_guard lock(writeMutex_);
        body->set_id(nextId_);
        writeAll(exchange::encodeFrame(frame));
        return nextId_++;
    }

    // The next frame; nothing once the program has closed the connection or said nothing for five seconds.
    // One thread reads.
    std::optional<exchange::wire::Frame> readFrame() {
        for (;;) {
            if (auto frame = reader_.next()) return frame;
            char chunk[64 * 1024];
            const ssize_t received = ::recv(descriptor(), chunk, sizeof chunk, 0);
            if (received <= 0) return std::nullopt;
            reader_.append(std::string_view(chunk, static_cast<std::size_t>(received)));
        }
    }

private:
    // Straight on the descriptor: a reading and a writing thread share the socket.
    int descriptor() { return socket_->native_handle(); }
    void writeAll(const std::string& bytes) {
        std::size_t written = 0;
        while (written < bytes.size()) {
            const ssize_t sent = ::send(descriptor(), bytes.data() + written, bytes.size() - written, MSG_NOSIGNAL);
            if (sent < 0 && errno == EINTR) continue;
            if (sent <= 0) throw std::runtime_error("the program no longer reads");
            written += static_cast<std::size_t>(sent);
        }
    }

    const std::string path_;
    boost::asio::io_context context_;
    boost::asio::local::stream_protocol::acceptor acceptor_;
    std::optional<boost::asio::local::stream_protocol::socket> socket_;
    exchange::FrameReader reader_;
    std::mutex writeMutex_;
    exchange::IDType nextId_ = 1;
};

}  // namespace exchange_test
