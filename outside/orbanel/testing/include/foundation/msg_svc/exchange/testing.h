#pragma once

#include <optional>
#include <string>
#include <vector>

#include <boost/pointer_cast.hpp>
#include <boost/shared_ptr.hpp>

#include "foundation/msg_svc/exchange/address.h"
#include "foundation/msg_svc/exchange/message.h"
#include "foundation/msg_svc/exchange/partner_link.h"

namespace foundation::msg_svc::exchange::testing {

// A partner's way in, for handing the exchange messages as if they came from that partner; what is sent to
// the partner goes nowhere.
class InboundLink : public PartnerLink {
public:
    void deliver(const boost::shared_ptr<const Envelope>&) override {}
    void deliverReply(const Address&, IDType, const boost::shared_ptr<const Reply>&) override {}
};

// Stands for another process on the process-wide exchange while alive: everything sent to the
// partner name is recorded instead of leaving the process.
class RecordingPartner {
public:
    struct Sent {
        Address destination;
        boost::shared_ptr<const Message> message;
        IDType messageId;
    };

    explicit RecordingPartner(std::string name);
    ~RecordingPartner();
    RecordingPartner(const RecordingPartner&) = delete;
    RecordingPartner& operator=(const RecordingPartner&) = delete;

    const std::string& name() const { return name_; }
    std::vector<Sent> sent() const;

    // The messages of type M, in sending order.
    template <class M>
    std::vector<boost::shared_ptr<const M>> sentOfType() const {
        std::vector<boost::shared_ptr<const M>> found;
        for (const auto& entry : sent())
            if (auto message = boost::dynamic_pointer_cast<const M>(entry.message)) found.push_back(message);
        return found;
    }

    // While set, every send to this partner throws std::runtime_error(what) and records nothing.
    void failSends(std::optional<std::string> what);

private:
    class Link;
    std::string name_;
    boost::shared_ptr<Link> link_;
};

}  // namespace foundation::msg_svc::exchange::testing
