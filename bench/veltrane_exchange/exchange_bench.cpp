// Messages per second and round trips per second from this process to a host over a Unix-domain socket,
// each beside a plain framed echo over a Unix socket pair carrying frames of the same size.
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <thread>

#include <benchmark/benchmark.h>
#include <boost/make_shared.hpp>

#include "cef/transport/testing.h"
#include "cefexchange/gaviston.h"
#include "cefexchange/messages.h"
#include "fl/i18n/conversion.h"
#include "foundation/io/io_service_threadpool.h"
#include "foundation/msg_svc/exchange/exchange_protocol.h"
#include "foundation/msg_svc/exchange/frame_reader.h"
#include "foundation/msg_svc/exchange/message_queue.h"
#include "foundation/msg_svc/transport/layers/session/session.h"
#include "foundation/msg_svc/transport/layers/session/session_protocol.h"

namespace {

namespace exchange = foundation::msg_svc::exchange;
constexpr int kAimTitleLength = 16;  // the one-way aim's frames carry a title this long
using foundation::msg_svc::transport::layers::session::Session;

constexpr int kBatch = 1024;  // one-way messages per timed iteration, well inside the send queue limit
constexpr auto kTimeout = std::chrono::seconds(10);

// Counts arrivals of the expected title and answers each with the plain reply, as the browser service does.
class CountingQueue : public exchange::MessageQueue {
public:
    explicit CountingQueue(boost::shared_ptr<exchange::DefaultExchange> owner)
        : MessageQueue(boost::weak_ptr<exchange::ExchangeApi>(owner)) {}
    void stop() override {}
    void expectTitle(std::string title) {
        std::lock_guard lock(mutex_);
        title_ = std::move(title);
    }
    void submit(const boost::shared_ptr<const exchange::Envelope>& envelope) override {
        sendReply(exchange::Routing(envelope->getRouting(), exchange()), envelope->getMessageId(),
                  exchange::Reply::defaultReply(), "");
        const auto* message = dynamic_cast<const cefexchange::SetTitleMessage*>(envelope->getMessage().get());
        std::lock_guard lock(mutex_);
        if (message != nullptr && message->getData().title() == title_) ++count_;
        arrived_.notify_all();
    }
    // False when the count is not reached in time.
    bool waitFor(std::uint64_t count) {
        std::unique_lock lock(mutex_);
        return arrived_.wait_for(lock, kTimeout, [&] { return count_ >= count; });
    }
    std::uint64_t count() {
        std::lock_guard lock(mutex_);
        return count_;
    }

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::uint64_t count_ = 0;
    std::string title_;
};

// The host listening in a temporary folder and this process's session attached to it.
struct Link {
    Link() {
        foundation::msg_svc::transport::layers::session::SessionProtocol::init("CEF", "CURRENT_TARNEL_VERSION");
        exchange::ExchangeProtocol::init();
        cefexchange::Gaviston::init();
        std::string pattern = (std::filesystem::temp_directory_path() / "vxb-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        folder = pattern;
        hostQueue = boost::make_shared<CountingQueue>(hostExchange);
        hostExchange->registerMessageQueue(cefexchange::CEFServiceAPI::serviceName, hostQueue);
        host = cef::transport::testing::createSession(hostExchange);
        host->init(pool, "CEF", "CURRENT_TARNEL_VERSION");
        host->listen({fl::i18n::to_ustring(folder + "/host.sock")})->registerCallbacks({}, {}, {});
        session = Session::create(1, pool, "");
        session->attachToParentClient("NamedPipeHandle", folder + "/host.sock", {}, {});
    }
    ~Link() {
        session->terminate();
        host->terminate();
        pool->stop();
        std::filesystem::remove_all(folder);
    }

    boost::shared_ptr<foundation::io::IOServiceThreadpool> pool = foundation::io::IOServiceThreadpool::createThreadpool(4);
    boost::shared_ptr<exchange::DefaultExchange> hostExchange = boost::make_shared<exchange::DefaultExchange>("host");
    boost::shared_ptr<CountingQueue> hostQueue;
    boost::shared_ptr<cef::transport::CEFServerTransportSession> host;
    boost::shared_ptr<Session> session;
    std::string folder;
};

// The frame the transport writes for the message.
std::string frameOf(const exchange::Message& message) {
    exchange::ExchangeProtocol::init();
    cefexchange::Gaviston::init();
    exchange::wire::Frame frame;
    auto* body = frame.mutable_message();
    body->set_sender("host");
    body->set_service(cefexchange::CEFServiceAPI::serviceName);
    body->set_type(exchange::ExchangeProtocol::typeName(message));
    body->set_id(1);
    body->set_payload(exchange::ExchangeProtocol::encode(message));
    return exchange::encodeFrame(frame);
}

bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const auto written = ::write(fd, data, size);
        if (written <= 0) return false;
        data += written, size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool readAll(int fd, char* data, std::size_t size) {
    while (size > 0) {
        const auto got = ::read(fd, data, size);
        if (got <= 0) return false;
        data += got, size -= static_cast<std::size_t>(got);
    }
    return true;
}

// One length-prefixed frame (32-bit little-endian length, as the transport writes).
bool readFrame(int fd, std::string& frame) {
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
    // The peer ends after echoing what it has; receive() then returns false.
    void finishSending() { ::shutdown(fd_, SHUT_WR); }
    bool send(const std::string& frame) { return writeAll(fd_, frame.data(), frame.size()); }
    bool receive(std::string& frame) { return readFrame(fd_, frame); }

private:
    int fd_ = -1;
    std::thread peer_;
};

// Throughputs of the same frames that the closing summary divides. The one-way and round-trip aims are end to
// end through Veltrane, so this program gives only the baseline side of them; the transport alone is
// reported beside it as "transport:<aim>".
void countAim(benchmark::State& state, const std::string& counter, std::uint64_t items) {
    if (!counter.empty()) {
        state.counters[counter] = benchmark::Counter(static_cast<double>(items), benchmark::Counter::kIsRate);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(items));
}

exchange::Address hostService() { return exchange::Address("host", cefexchange::CEFServiceAPI::serviceName); }

void BM_MessagesPerSecond(benchmark::State& state) {
    Link link;
    auto api = exchange::ExchangeApi::instance();
    const std::string title(static_cast<std::size_t>(state.range(0)), 't');
    link.hostQueue->expectTitle(title);
    auto message = boost::make_shared<cefexchange::SetTitleMessage>("window-1", title);
    std::uint64_t sent = 0;
    for (auto _ : state) {
        for (int i = 0; i < kBatch; ++i) api->send(message, hostService());
        sent += kBatch;
        if (!link.hostQueue->waitFor(sent)) {  // the whole batch arrives inside the timed part
            state.SkipWithError("messages were lost");
            break;
        }
    }
    if (link.hostQueue->count() != sent) state.SkipWithError("more messages arrived than were sent");
    countAim(state, state.range(0) == kAimTitleLength ? "transport:exchange-oneway" : "", sent);
}
BENCHMARK(BM_MessagesPerSecond)->Arg(kAimTitleLength)->Arg(4096)->UseRealTime();

void BM_EchoFramesPerSecond(benchmark::State& state) {
    FramedEcho echo;
    const std::string frame =
        frameOf(cefexchange::SetTitleMessage("window-1", std::string(static_cast<std::size_t>(state.range(0)), 't')));
    // Reads the echoes as they come, as the exchange's own reading thread does.
    std::mutex mutex;
    std::condition_variable arrived;
    std::uint64_t echoed = 0;
    bool intact = true;
    std::thread reader([&] {
        std::string back;
        while (echo.receive(back)) {
            std::lock_guard lock(mutex);
            intact = intact && back == frame;
            ++echoed;
            arrived.notify_all();
        }
    });
    std::uint64_t sent = 0;
    for (auto _ : state) {
        bool written = true;
        for (int i = 0; i < kBatch; ++i) written = echo.send(frame) && written;
        sent += kBatch;
        std::unique_lock lock(mutex);
        if (!written || !arrived.wait_for(lock, kTimeout, [&] { return echoed >= sent; }) || !intact) {
            state.SkipWithError("the echoes did not all come back intact");
            break;
        }
    }
    echo.finishSending();
    reader.join();
    countAim(state, state.range(0) == kAimTitleLength ? "ratio:exchange-oneway:baseline" : "", sent);
}
BENCHMARK(BM_EchoFramesPerSecond)->Arg(kAimTitleLength)->Arg(4096)->UseRealTime();

void BM_RoundTripsPerSecond(benchmark::State& state) {
    Link link;
    auto api = exchange::ExchangeApi::instance();
    auto message = boost::make_shared<cefexchange::SetTitleMessage>("window-1", "title");
    std::mutex mutex;
    std::condition_variable answered;
    std::uint64_t replies = 0;
    std::uint64_t sent = 0;
    for (auto _ : state) {
        api->send(message, hostService(), [&](const auto&) {
            std::lock_guard lock(mutex);
            ++replies;
            answered.notify_one();
        });
        ++sent;
        std::unique_lock lock(mutex);
        answered.wait(lock, [&] { return replies == sent; });
    }
    countAim(state, "transport:exchange-roundtrip", sent);
}
BENCHMARK(BM_RoundTripsPerSecond)->UseRealTime();

void BM_EchoRoundTripsPerSecond(benchmark::State& state) {
    FramedEcho echo;
    const std::string frame = frameOf(cefexchange::SetTitleMessage("window-1", "title"));
    std::string back;
    std::uint64_t sent = 0;
    for (auto _ : state) {
        if (!echo.send(frame) || !echo.receive(back) || back != frame) {
            state.SkipWithError("no echo of the frame sent");
            break;
        }
        ++sent;
    }
    countAim(state, "ratio:exchange-roundtrip:baseline", sent);
}
BENCHMARK(BM_EchoRoundTripsPerSecond)->UseRealTime();

}  // namespace
