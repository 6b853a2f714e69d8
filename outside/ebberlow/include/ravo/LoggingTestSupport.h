#pragma once

#include <functional>
#include <map>
#include <string>

#include "ravo/EbberlowExport.h"
#include "ravo/RavoData.h"

namespace ravo {

using TapFilter = std::map<std::string, std::string>;
using TapCallback = std::function<void(const RavoValueMap&)>;

// Taps see the values of every item the running service accepts, on the thread that logs it.
class EBBERLOW_EXPORT LoggingTestSupport {
public:
    static LoggingTestSupport& getSupport();

    LoggingTestSupport(const LoggingTestSupport&) = delete;
    LoggingTestSupport& operator=(const LoggingTestSupport&) = delete;

    // Every filter entry must match: "name" and "version" the item's identification, any other key a string
    // value of the item. An empty filter matches every item. Without evenWithoutOptIn the tap sees only items
    // logged while opted in. Returns the tap's id (never 0).
    int addTap(const TapFilter& filter, const TapCallback& callback, bool evenWithoutOptIn);
    // An unknown id is ignored. Waits for the tap's calls in progress on other threads; from inside the tap's own
    // callback it does not wait. Afterwards no call of the tap starts.
    void removeTap(int tapId);

private:
    LoggingTestSupport() = default;
};

}  // namespace ravo
