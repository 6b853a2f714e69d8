#include "cefclient/Loggers.h"

#include "cefclient/LogStyle.h"

namespace veltrane_log {

foundation::log::diagnostic_logger& browserServiceLogger() {
    static foundation::log::diagnostic_logger logger(kBrowserServiceChannel);
    return logger;
}

foundation::log::diagnostic_logger& bridgeLogger() {
    static foundation::log::diagnostic_logger logger(kTarnelInterfaceChannel);
    return logger;
}

foundation::log::diagnostic_logger& windowEventHandlerLogger() {
    static foundation::log::diagnostic_logger logger(kWindowEventHandlerChannel);
    return logger;
}

foundation::log::diagnostic_logger& windowManagerLogger() {
    static foundation::log::diagnostic_logger logger(kWindowManagerChannel);
    return logger;
}

foundation::log::diagnostic_logger& modalityLogger() {
    static foundation::log::diagnostic_logger logger(kModalityChannel);
    return logger;
}

foundation::log::diagnostic_logger& startupLogger() {
    static foundation::log::diagnostic_logger logger(kStartupChannel);
    return logger;
}

}  // namespace veltrane_log
