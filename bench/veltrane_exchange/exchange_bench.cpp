// Messages per second and round trips per second from this process to a host over a Unix-domain socket.
#include <atomic>
#include <condition_variable>
#include <cstdlib>
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

namespace {

namespace exchange = foundation::msg_svc::exchange;
using foundation::msg_svc::transport::layers::session::Session;

// Counts arrivals and answers each with the plain reply, as the browser service does.
class CountingQueue : public exchange::MessageQueue {
public:
    explicit CountingQueue(boost::shared_ptr<exchange::DefaultExchange> owner)
        : MessageQueue(boost::weak_ptr<exchange::ExchangeApi>(owner)) {}
    void stop() override {}
    void submit(const boost::shared_ptr<const exchange::Envelope>& envelope) override {
        sendReply(exchange::Routing(envelope->getRouting(), exchange()), envelope->getMessageId(),
                  exchange::Reply::defaultReply(), "");
        std::lock_guard lock(mutex_);
        ++count_;
        arrived_.notify_all();
    }
    void waitFor(std::uint64_t count) {
        std::unique_lock lock(mutex_);
        arrived_.wait(lock, [&] { return count_ >= count; });
    }
    std::uint64_t count() {
        std::lock_guard lock(mutex_);
        return count_;
    }

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::uint64_t count_ = 0;
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

exchange::Address hostService() { return exchange::Address("host", cefexchange::CEFServiceAPI::serviceName); }

void BM_MessagesPerSecond(benchmark::State& state) {
    Link link;
    auto api = exchange::ExchangeApi::instance();
    auto message = boost::make_shared<cefexchange::SetTitleMessage>("window-1", std::string(state.range(0), 't'));
    std::uint64_t sent = 0;
    for (auto _ : state) {
        api->send(message, hostService());
        // Keeps at most a few thousand in flight, well inside the connection's send queue limit.
        if (++sent % 1024 == 0) link.hostQueue->waitFor(sent - 2048 > sent ? 0 : sent - 2048);
    }
    link.hostQueue->waitFor(sent);  // counted only once all have arrived
    state.SetItemsProcessed(static_cast<std::int64_t>(sent));
}
BENCHMARK(BM_MessagesPerSecond)->Arg(16)->Arg(4096)->UseRealTime();

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
    state.SetItemsProcessed(static_cast<std::int64_t>(sent));
}
BENCHMARK(BM_RoundTripsPerSecond)->UseRealTime();

}  // namespace
