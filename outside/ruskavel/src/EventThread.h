#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "pf/event/ruskavel_export.h"

namespace pf::event::detail {

// The library's event thread: runs posted events one at a time, in order.
class RUSKAVEL_EXPORT EventThread {
public:
    static EventThread& instance();
    ~EventThread();

    void post(std::function<void()> event);
    // Returns once every event posted before the call has run.
    void drain();

private:
    EventThread();
    void run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> events_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace pf::event::detail
