// Messages per second and round trips per second from this process to a host over a Unix-domain socket,
// each beside a plain framed echo over a Unix socket pair carrying frames of the same size.
#include <stdlib.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>

#include <benchmark/benchmark.h>
#include <boost/make_shared.hpp>

#include "cef/transport/testing.h"
#include "cefexchange/gaviston.h"
#include "cefexchange/messages.h"
#include "fl/i18n/conversion.h"
#include "foundation/io/io_service_threadpool.h"
#include "foundation/msg_svc/exchange/exchange_protocol.h"
#include "foundation/msg_svc/exchange/message_queue.h"
#include "foundation/msg_svc/transport/layers/session/session.h"
#include "foundation/msg_svc/transport/layers/session/session_protocol.h"
#include "framed_echo.h"

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

// Throughputs of the same frames that the closing summary divides: the transport alone beside the echo.
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
    countAim(state, state.range(0) == kAimTitleLength ? "ratio:exchange-transport-oneway:ours" : "", sent);
}
BENCHMARK(BM_MessagesPerSecond)->Arg(kAimTitleLength)->Arg(4096)->UseRealTime();

void BM_EchoFramesPerSecond(benchmark::State& state) {
    const std::string frame = bench_echo::frameOf(
        cefexchange::SetTitleMessage("window-1", std::string(static_cast<std::size_t>(state.range(0)), 't')));
    const std::uint64_t sent = bench_echo::echoBatches(state, frame, kBatch, kTimeout);
    countAim(state, state.range(0) == kAimTitleLength ? "ratio:exchange-transport-oneway:baseline" : "", sent);
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
    countAim(state, "ratio:exchange-transport-roundtrip:ours", sent);
}
BENCHMARK(BM_RoundTripsPerSecond)->UseRealTime();

void BM_EchoRoundTripsPerSecond(benchmark::State& state) {
    countAim(state, "ratio:exchange-transport-roundtrip:baseline",
             bench_echo::echoRoundTrips(state, bench_echo::frameOf(cefexchange::SetTitleMessage("window-1", "title"))));
}
BENCHMARK(BM_EchoRoundTripsPerSecond)->UseRealTime();

}  // namespace
