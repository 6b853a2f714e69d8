// The baseline of the exchange benchmarks: a plain framed echo over a Unix socket pair, and the frames the
// exchange's socket transport writes, so that both carry frames of the same size.
#pragma once

#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

#include <benchmark/benchmark.h>

#include "cefexchange/cef_service_api.h"
#include "cefexchange/gaviston.h"
#include "foundation/msg_svc/exchange/exchange_protocol.h"
#include "foundation/msg_svc/exchange/frame_reader.h"

namespace bench_echo {

// The frame the transport writes for the message, sent by the named partner.
inline std::string frameOf(const foundation::msg_svc::exchange::Message& message, const std::string& sender = "host") {
    namespace exchange = foundation::msg_svc::exchange;
    exchange::ExchangeProtocol::init();
    cefexchange::Gaviston::init();
    exchange::wire::Frame frame;
    auto* body = frame.mutable_message();
    body->set_sender(sender);
    body->set_service(cefexchange::CEFServiceAPI::serviceName);
    body->set_type(exchange::ExchangeProtocol::typeName(message));
    body->set_id(1);
    body->set_payload(exchange::ExchangeProtocol::encode(message));
    return exchange::encodeFrame(frame);
}

inline bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const auto written = ::write(fd, data, size);
        if (written <= 0) return false;
        data += written, size -= static_cast<std::size_t>(written);
    }
    return true;
}

inline bool readAll(int fd, char* data, std::size_t size) {
    while (size > 0) {
        const auto got = ::read(fd, data, size);
        if (got <= 0) return false;
        data += got, size -= static_cast<std::size_t>(got);
    }
    return true;
}

// One length-prefixed frame (32-bit little-endian length, as the transport writes).
inline bool readFrame(int fd, std::string& frame) {
    unsigned char header[4];
    if (!readAll(fd, reinterpret_cast<char*>(header), 4)) return false;
    const std::uint32_t length = header[0] | header[1] << 8 | header[2] << 16 | std::uint32_t(header[3]) << 24;
    frame.assign(reinterpret_cast<char*>(header), 4);
    frame.resize(4 + std::size_t{length});
    return readAll(fd, frame.data() + 4, length);
}

// A peer thread at the other end of a Unix socket pair that writes every frame straight back.
class FramedEcho {
public:
    FramedEcho() {
        int fds[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) throw std::runtime_error("socketpair failed");
        fd_ = fds[0];
        peer_ = std::thread([fd = fds[1]] {
            std::string frame;
            while (readFrame(fd, frame) && writeAll(fd, frame.data(), frame.size())) {
            }
            ::close(fd);
        });
    }
    ~FramedEcho() {
        finishSending();
        peer_.join();
        ::close(fd_);
    }
    FramedEcho(const FramedEcho&) = delete;
    FramedEcho& operator=(const FramedEcho&) = delete;

    // The peer ends after echoing what it has; receive() then returns false.
    void finishSending() { ::shutdown(fd_, SHUT_WR); }
    bool send(const std::string& frame) { return writeAll(fd_, frame.data(), frame.size()); }
    bool receive(std::string& frame) { return readFrame(fd_, frame); }

private:
    int fd_ = -1;
    std::thread peer_;
};

// Reads the echoes of one frame as they come back, on a thread of its own as the exchange's reading thread
// does, and counts them.
class EchoCounter {
public:
    EchoCounter(FramedEcho& echo, std::string frame) : echo_(echo), frame_(std::move(frame)) {
        reader_ = std::thread([this] {
            std::string back;
            while (echo_.receive(back)) {
                bool complete = false;
                {
                    std::lock_guard lock(mutex_);
                    intact_ = intact_ && back == frame_;
                    complete = ++echoed_ >= awaited_;
                }
                if (complete) arrived_.notify_all();  // only what the waiting thread waits for is worth a wake-up
            }
        });
    }
    ~EchoCounter() {
        echo_.finishSending();
        reader_.join();
    }
    EchoCounter(const EchoCounter&) = delete;
    EchoCounter& operator=(const EchoCounter&) = delete;

    // False when fewer than count echoes came back in time, or one came back changed.
    bool waitFor(std::uint64_t count, std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        awaited_ = count;
        return arrived_.wait_for(lock, timeout, [&] { return echoed_ >= count; }) && intact_;
    }

private:
    FramedEcho& echo_;
    const std::string frame_;
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::uint64_t echoed_ = 0;
    std::uint64_t awaited_ = 0;
    bool intact_ = true;
    std::thread reader_;
};

// Batches of the frame through the echo for as long as the state runs, every echo back intact before the next batch;
// the frames sent. The state fails at the first batch that does not come back whole.
inline std::uint64_t echoBatches(benchmark::State& state, const std::string& frame, int batch,
                                 std::chrono::milliseconds timeout) {
    FramedEcho echo;
    EchoCounter counter(echo, frame);
    std::uint64_t sent = 0;
    for (auto _ : state) {
        bool written = true;
        for (int i = 0; i < batch; ++i) written = echo.send(frame) && written;
        if (!written || !counter.waitFor(sent + static_cast<std::uint64_t>(batch), timeout)) {
            state.SkipWithError("the echoes did not all come back intact");
            break;
        }
        sent += static_cast<std::uint64_t>(batch);
    }
    return sent;
}

// Round trips of the frame through the echo for as long as the state runs; those that came back intact. The state
// fails at the first that does not.
inline std::uint64_t echoRoundTrips(benchmark::State& state, const std::string& frame) {
    FramedEcho echo;
    std::string back;
    std::uint64_t done = 0;
    for (auto _ : state) {
        if (!echo.send(frame) || !echo.receive(back) || back != frame) {
            state.SkipWithError("no echo of the frame sent");
            break;
        }
        ++done;
    }
    return done;
}

}  // namespace bench_echo
