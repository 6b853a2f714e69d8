#pragma once

#include <boost/core/noncopyable.hpp>
#include <boost/shared_ptr.hpp>

#include "cefclient/ActorMessageQueue.h"
#include "cefexchange/cef_service_api.h"
#include "foundation/msg_svc/exchange/exchange_api.h"

namespace client {

// Carries out the host's commands that arrive over the exchange. Handlers run on the service thread, one message
// at a time; window operations are posted to the UI thread and every handler answers at once with the default
// reply.
class CEFBrowserService : public cefexchange::CEFServiceAPI, private boost::noncopyable {
public:
    using ServiceQueue = foundation::msg_svc::exchange::ActorMessageQueue<cefexchange::CEFServiceAPI>;
    using ReplyPtr = boost::shared_ptr<const Reply>;

    // The service with its queue registered under serviceName.
    static boost::shared_ptr<CEFBrowserService> create();

    ~CEFBrowserService() override;

    // Delivers the queued messages on the calling thread until stop.
    void mainServiceLoop();
    // Makes mainServiceLoop return; messages arriving later are dropped.
    void stop();

    ReplyPtr operator()(const cefexchange::ProcessExitMessage& message, const Routing& routing) override;
    ReplyPtr operator()(const cefexchange::SetTitleMessage& message, const Routing& routing) override;
    ReplyPtr operator()(const cefexchange::SetWindowModalMessage& message, const Routing& routing) override;
    ReplyPtr operator()(const cefexchange::AllowCertificateMessage& message, const Routing& routing) override;
    ReplyPtr operator()(const cefexchange::ScreenShotMessage& message, const Routing& routing) override;
    ReplyPtr operator()(const cefexchange::WindowResizableMessage& message, const Routing& routing) override;
    ReplyPtr operator()(const cefexchange::WindowAlwaysOnTopMessage& message, const Routing& routing) override;
    ReplyPtr operator()(const cefexchange::SetAllWindowActivatedMessage& message, const Routing& routing) override;
    ReplyPtr operator()(const cefexchange::DroppedFileMessage& message, const Routing& routing) override;
    ReplyPtr operator()(const cefexchange::SetDragDropMessage& message, const Routing& routing) override;
    ReplyPtr operator()(const cefexchange::SetPositionFromJavascriptMessage& message, const Routing& routing) override;
    ReplyPtr operator()(const cefexchange::UpdateURLMessage& message, const Routing& routing) override;
    ReplyPtr operator()(const cefexchange::GetPositionMessage& message, const Routing& routing) override;
    ReplyPtr operator()(const cefexchange::SetOnTopMessage& message, const Routing& routing) override;
    ReplyPtr operator()(const cefexchange::JavascriptReturnMessage& message, const Routing& routing) override;
    ReplyPtr operator()(const cefexchange::PDFEventMessage& message, const Routing& routing) override;
    ReplyPtr operator()(const cefexchange::PrintToPDFMessage& message, const Routing& routing) override;
    ReplyPtr operator()(const cefexchange::SetDownloadDirMessage& message, const Routing& routing) override;
    ReplyPtr operator()(const cefexchange::ExecuteJSMessage& message, const Routing& routing) override;
    ReplyPtr operator()(const cefexchange::SetZoomLevelMessage& message, const Routing& routing) override;
    ReplyPtr operator()(const cefexchange::SetURLMessage& message, const Routing& routing) override;
    ReplyPtr operator()(const cefexchange::SetWindowStateMessage& message, const Routing& routing) override;
    ReplyPtr operator()(const cefexchange::SetDownloadMessage& message, const Routing& routing) override;
    ReplyPtr operator()(const cefexchange::SetSizeMessage& message, const Routing& routing) override;
    ReplyPtr operator()(const cefexchange::SetLocationMessage& message, const Routing& routing) override;
    ReplyPtr operator()(const cefexchange::SetIconMessage& message, const Routing& routing) override;
    ReplyPtr operator()(const cefexchange::SetCommandMessage& message, const Routing& routing) override;
    ReplyPtr operator()(const cefexchange::SetPositionMessage& message, const Routing& routing) override;
    ReplyPtr operator()(const cefexchange::PopUpWindowMessage& message, const Routing& routing) override;
    ReplyPtr operator()(const cefexchange::ProxyAuthMessage& message, const Routing& routing) override;
    ReplyPtr operator()(const cefexchange::NewWindowMessage& message, const Routing& routing) override;

private:
    CEFBrowserService();
    void privateInit(const boost::shared_ptr<CEFBrowserService>& self);

    boost::shared_ptr<foundation::msg_svc::exchange::ExchangeApi> exchange;
    // Holds the service in turn: both live as long as the process.
    boost::shared_ptr<ServiceQueue> queue;
};

}  // namespace client
