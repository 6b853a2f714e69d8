#pragma once

#include "cef/cef_string.h"
#include "cef/ref_counted.h"
#include "cef/values.h"

enum CefProcessId { PID_BROWSER, PID_RENDERER };

// A named message between the browser and the renderer processes.
class CefProcessMessage : public CefBaseRefCounted {
public:
    static CefRefPtr<CefProcessMessage> Create(const CefString& name);

    virtual CefString GetName() const = 0;
    virtual CefRefPtr<CefListValue> GetArgumentList() const = 0;
};
