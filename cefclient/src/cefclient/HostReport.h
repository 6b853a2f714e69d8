#pragma once

#include <string>

#include "cefclient/tarnel_interface.h"
#include "cefclient_messages.pb.h"

namespace client {

// Reports to the host over the transport in use: over the pipe the window message for the window ID that
// fillPipeMessage completes, over the exchange the message that makeExchangeMessage makes.
template <class FillPipeMessage, class MakeExchangeMessage>
void reportToHost(bool usePipes, const std::string& windowID, FillPipeMessage fillPipeMessage,
                  MakeExchangeMessage makeExchangeMessage) {
    tarnel_interface& bridge = *tarnel_interface::instance();
    if (usePipes) {
        cefclient_messages::windowMessage message;
        message.set_windowid(windowID);
        fillPipeMessage(message);
        bridge.sendPipeMessage(message.SerializeAsString());
    } else {
        bridge.sendMessageUsingExchange(makeExchangeMessage());
    }
}

}  // namespace client
