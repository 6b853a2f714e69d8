#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "ravo/LoggingTestSupport.h"

namespace ravo::detail {

class TapRegistry {
public:
    static TapRegistry& instance();

    int add(const TapFilter& filter, const TapCallback& callback, bool evenWithoutOptIn);
    // Waits for the tap's calls in progress, unless the calling thread is inside one of them.
    void remove(int tapId);
    // Calls the matching taps without holding the registry, so that a tap may log, add or remove taps.
    void notify(const DataIdentification& identification, const RavoData& data, bool optedIn);

private:
    struct Tap {
        int id;
        TapFilter filter;
        TapCallback callback;
        bool evenWithoutOptIn;
        // Under the registry's mutex: set by remove; one entry per call in progress.
        bool removed = false;
        std::vector<std::thread::id> callers;
    };

    void call(const std::shared_ptr<Tap>& tap, const RavoValueMap& values);
    void leave(Tap& tap);

    std::mutex mutex_;
    std::condition_variable callEnded_;
    std::vector<std::shared_ptr<Tap>> taps_;
    int lastId_ = 0;
};

}  // namespace ravo::detail
