#pragma once

// A host of the browser-window program on a bare socket, so that a test decides when it reads and when it
// writes.
#include <mutex>
#include <optional>
#include <string>

#include <boost/asio/io_context.hpp>
#include <boost/asio/local/stream_protocol.hpp>

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
        end_.emplace(acceptor_.accept());
        auto handshake = end_->readFrame();
        if (!handshake || handshake->kind_case() != exchange::wire::Frame::kHandshake) return false;
        end_->writeHandshake("host", kProtocol, kVersion);
        return true;
    }

    // Sends the message to the program's browser service; returns its id. Any thread may send. Throws
    // std::runtime_error when the program has taken nothing for 30 seconds.
    exchange::IDType send(const exchange::Message& message) {
        std::string type;
        std::string payload;
        exchange::ExchangeProtocol::encode(message, type, payload);
        std::lock_guard lock(writeMutex_);
        end_->write(messageFrame(type, payload, nextId_));
        return nextId_++;
    }

    // The next frame; nothing once the program has closed the connection or said nothing for five seconds.
    // One thread reads.
    std::optional<exchange::wire::Frame> readFrame() { return end_->readFrame(); }

private:
    const std::string path_;
    boost::asio::io_context context_;
    boost::asio::local::stream_protocol::acceptor acceptor_;
    std::optional<RawEnd> end_;
    std::mutex writeMutex_;
    exchange::IDType nextId_ = 1;
};

}  // namespace exchange_test
