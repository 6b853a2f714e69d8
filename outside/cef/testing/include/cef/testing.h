#pragma once

#include <memory>
#include <string>
#include <vector>

#include "cef/browser.h"
#include "cef/logging.h"

namespace cef::testing {

struct SentProcessMessage {
    CefProcessId target;
    CefRefPtr<CefProcessMessage> message;
};

// A browser with no window, as CreateBrowserSync makes one.
CefRefPtr<CefBrowser> createBrowser(const CefString& url = CefString());

// Every message sent through any frame of the browser, oldest first.
std::vector<SentProcessMessage> sentProcessMessages(const CefRefPtr<CefBrowser>& browser);

// Collects the engine's log records, at every severity, while alive; nothing goes to standard
// error meanwhile.
class LogCapture {
public:
    struct Record {
        cef::logging::LogSeverity severity;
        std::string message;
    };

    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<Record> records() const;

private:
    class Target;
    std::unique_ptr<Target> target_;
};

}  // namespace cef::testing
