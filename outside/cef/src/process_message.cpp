#include "cef/process_message.h"

namespace {

class ProcessMessage : public CefRefCountedImpl<CefProcessMessage> {
public:
    explicit ProcessMessage(CefString name) : name_(std::move(name)), arguments_(CefListValue::Create()) {}

    CefString GetName() const override { return name_; }
    CefRefPtr<CefListValue> GetArgumentList() const override { return arguments_; }

private:
    const CefString name_;
    const CefRefPtr<CefListValue> arguments_;
};

}  // namespace

CefRefPtr<CefProcessMessage> CefProcessMessage::Create(const CefString& name) { return new ProcessMessage(name); }
