#pragma once

#include <string>
#include <utility>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "cefclient_messages.pb.h"

// The narrow door for the parts of the host that only report to the host: the bridge's writers as free functions,
// without the bridge's own header.
namespace client::bridge {

// tarnel_interface::sendPipeMessage: one payload on the pipe, dropped when no pipe is open.
void sendPipeMessage(const std::string& payload);
// tarnel_interface::sendEventToHost: one event word and its arguments on the pipe.
void sendEventToHost(std::string windowID, std::string event, std::vector<std::string> args);
// tarnel_interface::sendMessageUsingExchange: one event message to the partner, then to every listening peer; made
// for the messages that ExchangeEvents.h lists.
template <class M>
void sendMessageUsingExchange(boost::shared_ptr<M> message);

}  // namespace client::bridge

namespace client {

// Reports to the host over the transport in use: over the pipe the window message for the window ID that
// fillPipeMessage completes, over the exchange the message that makeExchangeMessage makes.
template <class FillPipeMessage, class MakeExchangeMessage>
void reportToHost(bool usePipes, const std::string& windowID, FillPipeMessage fillPipeMessage,
                  MakeExchangeMessage makeExchangeMessage) {
    if (usePipes) {
        cefclient_messages::windowMessage message;
        message.set_windowid(windowID);
        fillPipeMessage(message);
        bridge::sendPipeMessage(message.SerializeAsString());
    } else {
        bridge::sendMessageUsingExchange(makeExchangeMessage());
    }
}

}  // namespace client
