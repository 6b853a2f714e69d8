#include "cef/testing.h"

#include <mutex>

#include "browser_impl.h"
#include "log_sink.h"

namespace cef::testing {

CefRefPtr<CefBrowser> createBrowser(const CefString& url) {
    return CefBrowserHost::CreateBrowserSync(CefWindowInfo(), nullptr, url, CefBrowserSettings());
}

std::vector<SentProcessMessage> sentProcessMessages(const CefRefPtr<CefBrowser>& browser) {
    const auto* own = dynamic_cast<const cef::detail::Browser*>(browser.get());
    return own ? own->sentMessages().all() : std::vector<SentProcessMessage>();
}

class LogCapture::Target : public cef::logging::detail::CaptureTarget {
public:
    void add(cef::logging::LogSeverity severity, const std::string& message) override {
        std::lock_guard lock(mutex_);
        records_.push_back({severity, message});
    }
    std::vector<Record> records() const {
        std::lock_guard lock(mutex_);
        return records_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<Record> records_;
};

LogCapture::LogCapture() : target_(std::make_unique<Target>()) { cef::logging::detail::setCapture(target_.get()); }

LogCapture::~LogCapture() { cef::logging::detail::setCapture(nullptr); }

std::vector<LogCapture::Record> LogCapture::records() const { return target_->records(); }

}  // namespace cef::testing
