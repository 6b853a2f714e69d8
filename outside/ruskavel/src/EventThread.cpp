#include "EventThread.h"

#include <future>

#include "pf/clipboard/change_observer.h"
#include "pf/event/PFSignalLocator.h"

namespace pf::event::detail {

EventThread& EventThread::instance() {
    static EventThread thread;
    return thread;
}

// The signals the thread raises are made first, so that they are destroyed after the thread has ended.
EventThread::EventThread() {
    PFSignalLocator::Instance();
    thread_ = std::thread([this] { run(); });
}

EventThread::~EventThread() {
    // Changes seen from now on are no longer handed to this thread.
    pf::clipboard::detail::setClipboardChangeObserver({});
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void EventThread::post(std::function<void()> event) {
    {
        std::lock_guard lock(mutex_);
        if (stopping_) return;
        events_.push_back(std::move(event));
    }
    wake_.notify_one();
}

void EventThread::drain() {
    if (std::this_thread::get_id() == thread_.get_id()) return;
    std::promise<void> reached;
    auto done = reached.get_future();
    post([&reached] { reached.set_value(); });
    done.wait();
}

void EventThread::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !events_.empty(); });
        if (events_.empty()) return;
        auto event = std::move(events_.front());
        events_.pop_front();
        lock.unlock();
        // A failing subscriber must not end the thread that serves all of them.
        try {
            event();
        } catch (...) {
        }
        lock.lock();
    }
}

}  // namespace pf::event::detail
