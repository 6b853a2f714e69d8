#pragma once

#include <ostream>
#include <utility>

#include "cefexchange/cef_service_api.h"
#include "cefexchange_payloads.pb.h"
#include "foundation/msg_svc/exchange/actor_message.h"

namespace cefexchange {

// Writes "<indent>Name { field: value ... }" for a payload.
void writeMessageText(std::ostream& stream, int indent, const google::protobuf::Message& payload);

// A browser window service message carrying one protobuf payload record.
template <class Derived, class Payload>
class PayloadMessage : public foundation::msg_svc::exchange::ActorMessage<Derived, CEFServiceAPI> {
public:
    using PayloadType = Payload;

    explicit PayloadMessage(Payload data) : data_(std::move(data)) {}

    const Payload& getData() const { return data_; }
    void toString(std::ostream& stream, int indent) const override { writeMessageText(stream, indent, data_); }

protected:
    PayloadMessage() = default;

    Payload data_;
};

}  // namespace cefexchange
