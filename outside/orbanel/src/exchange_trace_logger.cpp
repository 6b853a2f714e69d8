#include "foundation/msg_svc/logging/exchange_trace_logger.h"

#include <sstream>

#include "foundation/log/diagnostic_logger.h"

namespace foundation::msg_svc::logging {
namespace {

constexpr foundation::log::severity_t kTrace = 1;

foundation::log::diagnostic_logger& traceLogger() {
    static foundation::log::diagnostic_logger logger("foundation::msg_svc::exchange");
    return logger;
}

}  // namespace

bool ExchangeTraceLogger::enabled() {
    return foundation::log::logging_enabled() && traceLogger().is_enabled(kTrace);
}

void ExchangeTraceLogger::log(int event, const boost::shared_ptr<const exchange::Message>& message,
                              const void* envelope, const std::string& where) {
    std::ostringstream text;
    if (message) message->toString(text, 0);
    FOUNDATION_LOG(traceLogger(), kTrace) << where << " event=" << event << " envelope=" << envelope
                                          << " message=" << text.str();
}

}  // namespace foundation::msg_svc::logging
