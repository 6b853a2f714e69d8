#pragma once

#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "cefexchange/cef_service_api.h"
#include "cefexchange/messages.h"

// Writes down which handler each message reached, with its window id and sender.
class RecordingService : public cefexchange::CEFServiceAPI {
public:
    using Result = boost::shared_ptr<const Reply>;

    struct Handled {
        std::string payloadType;
        std::string windowID;
        foundation::msg_svc::exchange::Address sender;
    };

    std::vector<Handled> handled() const {
        std::lock_guard lock(mutex_);
        return handled_;
    }

    // A message for this window makes its handler throw.
    std::string failingWindow = "fail";
    // Runs at the start of every handler with the message's window id.
    std::function<void(const std::string&)> beforeHandling;

    Result operator()(const cefexchange::ProcessExitMessage& message, const Routing& routing) override {
        return handle(message, routing);
    }
    Result operator()(const cefexchange::SetTitleMessage& message, const Routing& routing) override {
        return handle(message, routing);
    }
    Result operator()(const cefexchange::SetWindowModalMessage& message, const Routing& routing) override {
        return handle(message, routing);
    }
    Result operator()(const cefexchange::AllowCertificateMessage& message, const Routing& routing) override {
        return handle(message, routing);
    }
    Result operator()(const cefexchange::ScreenShotMessage& message, const Routing& routing) override {
        return handle(message, routing);
    }
    Result operator()(const cefexchange::WindowResizableMessage& message, const Routing& routing) override {
        return handle(message, routing);
    }
    Result operator()(const cefexchange::WindowAlwaysOnTopMessage& message, const Routing& routing) override {
        return handle(message, routing);
    }
    Result operator()(const cefexchange::SetAllWindowActivatedMessage& message, const Routing& routing) override {
        return handle(message, routing);
    }
    Result operator()(const cefexchange::DroppedFileMessage& message, const Routing& routing) override {
        return handle(message, routing);
    }
    Result operator()(const cefexchange::SetDragDropMessage& message, const Routing& routing) override {
        return handle(message, routing);
    }
    Result operator()(const cefexchange::SetPositionFromJavascriptMessage& message, const Routing& routing) override {
        return handle(message, routing);
    }
    Result operator()(const cefexchange::UpdateURLMessage& message, const Routing& routing) override {
        return handle(message, routing);
    }
    Result operator()(const cefexchange::GetPositionMessage& message, const Routing& routing) override {
        return handle(message, routing);
    }
    Result operator()(const cefexchange::SetOnTopMessage& message, const Routing& routing) override {
        return handle(message, routing);
    }
    Result operator()(const cefexchange::JavascriptReturnMessage& message, const Routing& routing) override {
        return handle(message, routing);
    }
    Result operator()(const cefexchange::PDFEventMessage& message, const Routing& routing) override {
        return handle(message, routing);
    }
    Result operator()(const cefexchange::PrintToPDFMessage& message, const Routing& routing) override {
        return handle(message, routing);
    }
    Result operator()(const cefexchange::SetDownloadDirMessage& message, const Routing& routing) override {
        return handle(message, routing);
    }
    Result operator()(const cefexchange::ExecuteJSMessage& message, const Routing& routing) override {
        return handle(message, routing);
    }
    Result operator()(const cefexchange::SetZoomLevelMessage& message, const Routing& routing) override {
        return handle(message, routing);
    }
    Result operator()(const cefexchange::SetURLMessage& message, const Routing& routing) override {
        return handle(message, routing);
    }
    Result operator()(const cefexchange::SetWindowStateMessage& message, const Routing& routing) override {
        return handle(message, routing);
    }
    Result operator()(const cefexchange::SetDownloadMessage& message, const Routing& routing) override {
        return handle(message, routing);
    }
    Result operator()(const cefexchange::SetSizeMessage& message, const Routing& routing) override {
        return handle(message, routing);
    }
    Result operator()(const cefexchange::SetLocationMessage& message, const Routing& routing) override {
        return handle(message, routing);
    }
    Result operator()(const cefexchange::SetIconMessage& message, const Routing& routing) override {
        return handle(message, routing);
    }
    Result operator()(const cefexchange::SetCommandMessage& message, const Routing& routing) override {
        return handle(message, routing);
    }
    Result operator()(const cefexchange::SetPositionMessage& message, const Routing& routing) override {
        return handle(message, routing);
    }
    Result operator()(const cefexchange::PopUpWindowMessage& message, const Routing& routing) override {
        return handle(message, routing);
    }
    Result operator()(const cefexchange::ProxyAuthMessage& message, const Routing& routing) override {
        return handle(message, routing);
    }
    Result operator()(const cefexchange::NewWindowMessage& message, const Routing& routing) override {
        return handle(message, routing);
    }

private:

    template <class M>
    Result handle(const M& message, const Routing& routing) {
        if (beforeHandling) beforeHandling(message.getData().windowid());
        if (message.getData().windowid() == failingWindow) throw std::runtime_error("handler failed");
        std::lock_guard lock(mutex_);
        handled_.push_back({message.getData().GetDescriptor()->name(), message.getData().windowid(), routing.sender()});
        return Reply::defaultReply();
    }

    mutable std::mutex mutex_;
    std::vector<Handled> handled_;
};
