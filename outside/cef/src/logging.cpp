#include "cef/logging.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string_view>

#include "log_sink.h"

namespace cef::logging {
namespace {

constexpr LogSeverity kDisabled = 1000;
constexpr LogSeverity kEverything = -1000;

LogSeverity parseMinimum(const char* text) {
    if (text == nullptr || *text == '\0') return LOGSEVERITY_WARNING;
    const std::string_view value(text);
    if (value == "verbose") return LOGSEVERITY_VERBOSE;
    if (value == "info") return LOGSEVERITY_INFO;
    if (value == "warning") return LOGSEVERITY_WARNING;
    if (value == "error") return LOGSEVERITY_ERROR;
    if (value == "fatal") return LOGSEVERITY_FATAL;
    if (value == "disable") return kDisabled;
    char* end = nullptr;
    const long number = std::strtol(text, &end, 10);
    if (*end != '\0' || number < kEverything || number > LOGSEVERITY_FATAL) return LOGSEVERITY_WARNING;
    return static_cast<LogSeverity>(number);
}

std::mutex sinkMutex;
detail::CaptureTarget* capture = nullptr;
std::atomic<bool> capturing{false};

const char* severityName(LogSeverity severity) {
    switch (severity) {
        case LOGSEVERITY_INFO: return "INFO";
        case LOGSEVERITY_WARNING: return "WARNING";
        case LOGSEVERITY_ERROR: return "ERROR";
        case LOGSEVERITY_FATAL: return "FATAL";
        default: return "VERBOSE";
    }
}

}  // namespace

LogSeverity minimumSeverity() {
    static const LogSeverity configured = parseMinimum(std::getenv("VELTRANE_ENGINE_LOG_LEVEL"));
    return capturing.load(std::memory_order_relaxed) ? kEverything : configured;
}

LogMessage::LogMessage(const char* file, int line, LogSeverity severity)
    : file_(file), line_(line), severity_(severity) {}

LogMessage::~LogMessage() {
    const char* slash = std::strrchr(file_, '/');
    std::ostringstream line;
    line << '[' << severityName(severity_) << ':' << (slash ? slash + 1 : file_) << '(' << line_ << ")] "
         << stream_.str();
    detail::write(severity_, line.str(), stream_.str());
}

namespace detail {

void write(LogSeverity severity, const std::string& line, const std::string& message) {
    std::lock_guard lock(sinkMutex);
    if (capture) {
        capture->add(severity, message);
        return;
    }
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fputc('\n', stderr);
}

void setCapture(CaptureTarget* target) {
    std::lock_guard lock(sinkMutex);
    capture = target;
    capturing = target != nullptr;
}

}  // namespace detail
}  // namespace cef::logging
