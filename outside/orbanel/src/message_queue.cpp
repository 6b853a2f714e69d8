#include "foundation/msg_svc/exchange/message_queue.h"

#include "foundation/msg_svc/exchange/exchange_api.h"

namespace foundation::msg_svc::exchange {

void MessageQueue::sendReply(const Routing& routing, IDType messageId, const boost::shared_ptr<const Reply>& reply,
                             const std::string& text) const {
    if (!routing.replyWanted()) return;
    if (auto exchange = exchange_.lock()) exchange->sendReply(routing.sender(), messageId, reply, text);
}

}  // namespace foundation::msg_svc::exchange
