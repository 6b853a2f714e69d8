#pragma once

#include <sstream>

// The engine's log, on standard error only. Records below the minimum severity are not formatted.
// The minimum comes from the environment variable VELTRANE_ENGINE_LOG_LEVEL: "verbose" (or -1),
// "-N" (verbose levels up to N), "info" (0), "warning" (1, the default), "error" (2), "fatal" (3)
// or "disable".
namespace cef::logging {

using LogSeverity = int;
inline constexpr LogSeverity LOGSEVERITY_VERBOSE = -1;
inline constexpr LogSeverity LOGSEVERITY_INFO = 0;
inline constexpr LogSeverity LOGSEVERITY_WARNING = 1;
inline constexpr LogSeverity LOGSEVERITY_ERROR = 2;
inline constexpr LogSeverity LOGSEVERITY_FATAL = 3;

LogSeverity minimumSeverity();
inline bool isOn(LogSeverity severity) { return severity >= minimumSeverity(); }

// One record; written whole when destroyed.
class LogMessage {
public:
    LogMessage(const char* file, int line, LogSeverity severity);
    ~LogMessage();
    LogMessage(const LogMessage&) = delete;
    LogMessage& operator=(const LogMessage&) = delete;

    std::ostream& stream() { return stream_; }

private:
    const char* file_;
    int line_;
    LogSeverity severity_;
    std::ostringstream stream_;
};

// Lets the macros below be used as a statement: "LOG(INFO) << x;".
struct LogVoidify {
    void operator&(std::ostream&) {}
};

}  // namespace cef::logging

#define CEF_LOG_IF_ON_(severity)                                     \
    !::cef::logging::isOn(severity) ? (void)0                          \
                                    : ::cef::logging::LogVoidify() &   \
                                          ::cef::logging::LogMessage(__FILE__, __LINE__, severity).stream()

#define LOG(severity) CEF_LOG_IF_ON_(::cef::logging::LOGSEVERITY_##severity)
#define VLOG(level) CEF_LOG_IF_ON_(-(level))
