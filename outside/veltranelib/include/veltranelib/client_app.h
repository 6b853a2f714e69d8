#pragma once

#include "cef/app.h"

// The application object of the window library, one per process.
class ClientApp : public CefApp {
public:
    void AddRef() const override { count_.AddRef(); }
    bool Release() const override;
    bool HasOneRef() const override { return count_.HasOneRef(); }
    bool HasAtLeastOneRef() const override { return count_.HasAtLeastOneRef(); }

    ClientApp() = default;

protected:
    ~ClientApp() override = default;

private:
    CefRefCount count_;
};
