#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "cef/browser.h"
#include "cef/testing.h"

namespace cef::detail {

// What the frames of one browser have sent, shared by the browser and its frames.
class SentMessageLog {
public:
    void add(CefProcessId target, CefRefPtr<CefProcessMessage> message);
    std::vector<cef::testing::SentProcessMessage> all() const;

private:
    mutable std::mutex mutex_;
    std::vector<cef::testing::SentProcessMessage> sent_;
};

class Browser : public CefRefCountedImpl<CefBrowser> {
public:
    Browser(int identifier, CefRefPtr<CefClient> client, CefString startURL);

    int GetIdentifier() const override { return identifier_; }
    CefRefPtr<CefFrame> GetMainFrame() override { return mainFrame_; }
    CefRefPtr<CefClient> GetClient() const override { return client_; }
    CefString GetStartURL() const override { return startURL_; }

    const SentMessageLog& sentMessages() const { return *log_; }

private:
    const int identifier_;
    const CefRefPtr<CefClient> client_;
    const CefString startURL_;
    const std::shared_ptr<SentMessageLog> log_;
    const CefRefPtr<CefFrame> mainFrame_;
};

}  // namespace cef::detail
