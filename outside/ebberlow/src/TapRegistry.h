#pragma once

#include <mutex>
#include <vector>

#include "ravo/LoggingTestSupport.h"

namespace ravo::detail {

class TapRegistry {
public:
    static TapRegistry& instance();

    int add(const TapFilter& filter, const TapCallback& callback, bool evenWithoutOptIn);
    void remove(int tapId);
    // Calls the matching taps without holding the registry, so that a tap may log, add or remove taps.
    void notify(const DataIdentification& identification, const RavoData& data, bool optedIn) const;

private:
    struct Tap {
        int id;
        TapFilter filter;
        TapCallback callback;
        bool evenWithoutOptIn;
    };

    mutable std::mutex mutex_;
    std::vector<Tap> taps_;
    int lastId_ = 0;
};

}  // namespace ravo::detail
