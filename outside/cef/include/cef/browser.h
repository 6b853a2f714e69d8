#pragma once

#include "cef/browser_settings.h"
#include "cef/cef_string.h"
#include "cef/client.h"
#include "cef/process_message.h"
#include "cef/ref_counted.h"
#include "cef/window_info.h"


// One frame of a browser's page.
class CefFrame : public CefBaseRefCounted {
public:
    virtual bool IsMain() const = 0;
    // Hands the message to the target process; a null message is ignored.
    virtual void SendProcessMessage(CefProcessId target, CefRefPtr<CefProcessMessage> message) = 0;
};

class CefBrowser : public CefBaseRefCounted {
public:
    virtual int GetIdentifier() const = 0;
    virtual CefRefPtr<CefFrame> GetMainFrame() = 0;
    virtual CefRefPtr<CefClient> GetClient() const = 0;
    virtual CefString GetStartURL() const = 0;
};

class CefBrowserHost {
public:
    // Makes a browser for the window described by windowInfo; identifiers count up from 1.
    static CefRefPtr<CefBrowser> CreateBrowserSync(const CefWindowInfo& windowInfo, CefRefPtr<CefClient> client,
                                                   const CefString& url, const CefBrowserSettings& settings);
};
