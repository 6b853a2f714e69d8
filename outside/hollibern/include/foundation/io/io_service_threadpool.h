#pragma once

#include <cstddef>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/shared_ptr.hpp>

namespace foundation::io {

// An I/O context with threads that run its handlers until stop. Whatever uses the context
// (sockets, timers) must not outlive the pool.
class IOServiceThreadpool {
public:
    // Starts threadCount threads (at least one). Throws std::system_error when a thread cannot start.
    static boost::shared_ptr<IOServiceThreadpool> createThreadpool(std::size_t threadCount);

    IOServiceThreadpool(const IOServiceThreadpool&) = delete;
    IOServiceThreadpool& operator=(const IOServiceThreadpool&) = delete;
    ~IOServiceThreadpool();

    boost::asio::io_context& ioContext() { return context_; }
    std::size_t threadCount() const { return threadCount_; }

    // Ends the threads once their current handlers return, then runs the handlers that were ready (a socket
    // closed before the stop is closed when it returns). Called on one of the pool's own threads it waits for the
    // others only and runs nothing more; a later call (or the destructor) waits for that one and runs nothing.
    void stop();

private:
    explicit IOServiceThreadpool(std::size_t threadCount);

    // Hinted as one thread: the thread that reads the sockets runs what completes, rather than waking another
    // pool thread for every read; work handed in from outside still wakes an idle one. Handlers must not block.
    boost::asio::io_context context_{1};
    std::optional<boost::asio::executor_work_guard<boost::asio::io_context::executor_type>> work_;
    const std::size_t threadCount_;
    std::mutex mutex_;
    std::vector<std::thread> threads_;
};

}  // namespace foundation::io
