#pragma once

#include <string>

#include <boost/shared_ptr.hpp>

#include "foundation/msg_svc/exchange/reply.h"
#include "foundation/msg_svc/exchange/routing.h"

namespace cefexchange {

class ProcessExitMessage;
class SetTitleMessage;
class SetWindowModalMessage;
class AllowCertificateMessage;
class ScreenShotMessage;
class WindowResizableMessage;
class WindowAlwaysOnTopMessage;
class SetAllWindowActivatedMessage;
class DroppedFileMessage;
class SetDragDropMessage;
class SetPositionFromJavascriptMessage;
class UpdateURLMessage;
class GetPositionMessage;
class SetOnTopMessage;
class JavascriptReturnMessage;
class PDFEventMessage;
class PrintToPDFMessage;
class SetDownloadDirMessage;
class ExecuteJSMessage;
class SetZoomLevelMessage;
class SetURLMessage;
class SetWindowStateMessage;
class SetDownloadMessage;
class SetSizeMessage;
class SetLocationMessage;
class SetIconMessage;
class SetCommandMessage;
class SetPositionMessage;
class PopUpWindowMessage;
class ProxyAuthMessage;
class NewWindowMessage;

// The browser window service: one handler per message, each answering with a reply.
class CEFServiceAPI {
public:
    using Reply = foundation::msg_svc::exchange::Reply;
    using Routing = foundation::msg_svc::exchange::Routing;

    // The name the service is registered under and every message is addressed to.
    static const std::string serviceName;

    virtual ~CEFServiceAPI() = default;

    virtual boost::shared_ptr<const Reply> operator()(const ProcessExitMessage& message, const Routing& routing) = 0;
    virtual boost::shared_ptr<const Reply> operator()(const SetTitleMessage& message, const Routing& routing) = 0;
    virtual boost::shared_ptr<const Reply> operator()(const SetWindowModalMessage& message, const Routing& routing) = 0;
    virtual boost::shared_ptr<const Reply> operator()(const AllowCertificateMessage& message, const Routing& routing) = 0;
    virtual boost::shared_ptr<const Reply> operator()(const ScreenShotMessage& message, const Routing& routing) = 0;
    virtual boost::shared_ptr<const Reply> operator()(const WindowResizableMessage& message, const Routing& routing) = 0;
    virtual boost::shared_ptr<const Reply> operator()(const WindowAlwaysOnTopMessage& message, const Routing& routing) = 0;
    virtual boost::shared_ptr<const Reply> operator()(const SetAllWindowActivatedMessage& message, const Routing& routing) = 0;
    virtual boost::shared_ptr<const Reply> operator()(const DroppedFileMessage& message, const Routing& routing) = 0;
    virtual boost::shared_ptr<const Reply> operator()(const SetDragDropMessage& message, const Routing& routing) = 0;
    virtual boost::shared_ptr<const Reply> operator()(const SetPositionFromJavascriptMessage& message, const Routing& routing) = 0;
    virtual boost::shared_ptr<const Reply> operator()(const UpdateURLMessage& message, const Routing& routing) = 0;
    virtual boost::shared_ptr<const Reply> operator()(const GetPositionMessage& message, const Routing& routing) = 0;
    virtual boost::shared_ptr<const Reply> operator()(const SetOnTopMessage& message, const Routing& routing) = 0;
    virtual boost::shared_ptr<const Reply> operator()(const JavascriptReturnMessage& message, const Routing& routing) = 0;
    virtual boost::shared_ptr<const Reply> operator()(const PDFEventMessage& message, const Routing& routing) = 0;
    virtual boost::shared_ptr<const Reply> operator()(const PrintToPDFMessage& message, const Routing& routing) = 0;
    virtual boost::shared_ptr<const Reply> operator()(const SetDownloadDirMessage& message, const Routing& routing) = 0;
    virtual boost::shared_ptr<const Reply> operator()(const ExecuteJSMessage& message, const Routing& routing) = 0;
    virtual boost::shared_ptr<const Reply> operator()(const SetZoomLevelMessage& message, const Routing& routing) = 0;
    virtual boost::shared_ptr<const Reply> operator()(const SetURLMessage& message, const Routing& routing) = 0;
    virtual boost::shared_ptr<const Reply> operator()(const SetWindowStateMessage& message, const Routing& routing) = 0;
    virtual boost::shared_ptr<const Reply> operator()(const SetDownloadMessage& message, const Routing& routing) = 0;
    virtual boost::shared_ptr<const Reply> operator()(const SetSizeMessage& message, const Routing& routing) = 0;
    virtual boost::shared_ptr<const Reply> operator()(const SetLocationMessage& message, const Routing& routing) = 0;
    virtual boost::shared_ptr<const Reply> operator()(const SetIconMessage& message, const Routing& routing) = 0;
    virtual boost::shared_ptr<const Reply> operator()(const SetCommandMessage& message, const Routing& routing) = 0;
    virtual boost::shared_ptr<const Reply> operator()(const SetPositionMessage& message, const Routing& routing) = 0;
    virtual boost::shared_ptr<const Reply> operator()(const PopUpWindowMessage& message, const Routing& routing) = 0;
    virtual boost::shared_ptr<const Reply> operator()(const ProxyAuthMessage& message, const Routing& routing) = 0;
    virtual boost::shared_ptr<const Reply> operator()(const NewWindowMessage& message, const Routing& routing) = 0;
};

}  // namespace cefexchange
