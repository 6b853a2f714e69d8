#include "browser_impl.h"

#include <atomic>

namespace cef::detail {
namespace {

class Frame : public CefRefCountedImpl<CefFrame> {
public:
    explicit Frame(std::shared_ptr<SentMessageLog> log) : log_(std::move(log)) {}

    bool IsMain() const override { return true; }
    void SendProcessMessage(CefProcessId target, CefRefPtr<CefProcessMessage> message) override {
        if (message) log_->add(target, std::move(message));
    }

private:
    const std::shared_ptr<SentMessageLog> log_;
};

std::atomic<int> lastIdentifier{0};

}  // namespace

void SentMessageLog::add(CefProcessId target, CefRefPtr<CefProcessMessage> message) {
    std::lock_guard lock(mutex_);
    sent_.push_back({target, std::move(message)});
}

std::vector<cef::testing::SentProcessMessage> SentMessageLog::all() const {
    std::lock_guard lock(mutex_);
    return sent_;
}

Browser::Browser(int identifier, CefRefPtr<CefClient> client, CefString startURL)
    : identifier_(identifier),
      client_(std::move(client)),
      startURL_(std::move(startURL)),
      log_(std::make_shared<SentMessageLog>()),
      mainFrame_(new Frame(log_)) {}

}  // namespace cef::detail

CefRefPtr<CefBrowser> CefBrowserHost::CreateBrowserSync(const CefWindowInfo& /*windowInfo*/,
                                                        CefRefPtr<CefClient> client, const CefString& url,
                                                        const CefBrowserSettings& /*settings*/) {
    return new cef::detail::Browser(++cef::detail::lastIdentifier, std::move(client), url);
}
