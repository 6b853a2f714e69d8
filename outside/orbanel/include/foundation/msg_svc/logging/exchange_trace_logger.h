#pragma once

#include <string>

#include <boost/shared_ptr.hpp>

#include "foundation/msg_svc/exchange/message.h"

namespace foundation::msg_svc::logging {

// Trace records of messages moving through the exchange, on the logger channel
// "foundation::msg_svc::exchange" at severity 1.
class ExchangeTraceLogger {
public:
    static constexpr int kMessageSent = 1;
    static constexpr int kMessageQueued = 8;

    static bool enabled();
    static void log(int event, const boost::shared_ptr<const exchange::Message>& message, const void* envelope,
                    const std::string& where);
};

}  // namespace foundation::msg_svc::logging
