#include "cefexchange/gaviston.h"

#include <stdexcept>
#include <string>

#include <boost/core/demangle.hpp>
#include <boost/make_shared.hpp>

#include "cefexchange/messages.h"
#include "foundation/msg_svc/exchange/exchange_protocol.h"

namespace cefexchange {
namespace {

using foundation::msg_svc::exchange::ExchangeProtocol;
using foundation::msg_svc::exchange::Message;

template <class M>
void registerMessage() {
    ExchangeProtocol::registerMessageType(
        typeid(M), boost::core::demangle(typeid(M).name()),
        [](const Message& message, std::string& payload) {
            static_cast<const M&>(message).getData().SerializeToString(&payload);
        },
        [](const std::string& payload) -> boost::shared_ptr<const Message> {
            typename M::PayloadType data;
            if (!data.ParseFromString(payload))
                throw std::runtime_error("not a " + data.GetDescriptor()->full_name() + " record");
            return boost::make_shared<const M>(std::move(data));
        });
}

template <class... M>
void registerMessages() {
    (registerMessage<M>(), ...);
}

}  // namespace

void Gaviston::init() {
    registerMessages<ProcessExitMessage, SetTitleMessage, SetWindowModalMessage, AllowCertificateMessage,
                     ScreenShotMessage, WindowResizableMessage, WindowAlwaysOnTopMessage,
                     SetAllWindowActivatedMessage, DroppedFileMessage, SetDragDropMessage,
                     SetPositionFromJavascriptMessage, UpdateURLMessage, GetPositionMessage, SetOnTopMessage,
                     JavascriptReturnMessage, PDFEventMessage, PrintToPDFMessage, SetDownloadDirMessage,
                     ExecuteJSMessage, SetZoomLevelMessage, SetURLMessage, SetWindowStateMessage, SetDownloadMessage,
                     SetSizeMessage, SetLocationMessage, SetIconMessage, SetCommandMessage, SetPositionMessage,
                     PopUpWindowMessage, ProxyAuthMessage, NewWindowMessage>();
}

}  // namespace cefexchange
