#include "foundation/io/io_service_threadpool.h"

#include <algorithm>

#include "platform/short_turns.h"

namespace foundation::io {

boost::shared_ptr<IOServiceThreadpool> IOServiceThreadpool::createThreadpool(std::size_t threadCount) {
    return boost::shared_ptr<IOServiceThreadpool>(new IOServiceThreadpool(std::max<std::size_t>(threadCount, 1)));
}

IOServiceThreadpool::IOServiceThreadpool(std::size_t threadCount)
    : work_(boost::asio::make_work_guard(context_)), threadCount_(threadCount) {
    std::lock_guard lock(mutex_);
    try {
        for (std::size_t i = 0; i < threadCount_; ++i) threads_.emplace_back([this] {
            platform::requestShortTurns();
            context_.run();
        });
    } catch (...) {
        work_.reset();
        context_.stop();
        for (auto& thread : threads_) thread.join();
        throw;
    }
}

IOServiceThreadpool::~IOServiceThreadpool() {
    stop();
    // Only a pool released on its own thread gets here with a thread left; that thread is returning.
    for (auto& thread : threads_) thread.detach();
}

void IOServiceThreadpool::stop() {
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(mutex_);
        work_.reset();
        threads.swap(threads_);
    }
    context_.stop();
    bool onPoolThread = false;
    for (auto& thread : threads) {
        if (thread.get_id() != std::this_thread::get_id()) {
            thread.join();
            continue;
        }
        // The calling thread cannot wait for itself; it is joined later, once it has left its handler.
        onPoolThread = true;
        std::lock_guard lock(mutex_);
        threads_.push_back(std::move(thread));
    }
    if (onPoolThread || threads.empty()) return;
    // Handlers already queued still run, here, so that sockets closed just before the stop are closed when it
    // returns; operations still waiting for input are left.
    context_.restart();
    while (context_.poll() > 0) {
    }
}

}  // namespace foundation::io
