#include "foundation/msg_svc/exchange/testing.h"

#include <mutex>
#include <stdexcept>

#include <boost/make_shared.hpp>

#include "foundation/msg_svc/exchange/exchange_api.h"
#include "foundation/msg_svc/exchange/partner_link.h"

namespace foundation::msg_svc::exchange::testing {

class RecordingPartner::Link : public PartnerLink {
public:
    void deliver(const boost::shared_ptr<const Envelope>& envelope) override {
        std::lock_guard lock(mutex_);
        if (failure_) throw std::runtime_error(*failure_);
        sent_.push_back(Sent{envelope->getRouting().destination, envelope->getMessage(), envelope->getMessageId()});
    }
    void deliverReply(const Address&, IDType, const boost::shared_ptr<const Reply>&) override {}

    std::vector<Sent> sent() const {
        std::lock_guard lock(mutex_);
        return sent_;
    }
    void failSends(std::optional<std::string> what) {
        std::lock_guard lock(mutex_);
        failure_ = std::move(what);
    }

private:
    mutable std::mutex mutex_;
    std::vector<Sent> sent_;
    std::optional<std::string> failure_;
};

RecordingPartner::RecordingPartner(std::string name) : name_(std::move(name)), link_(boost::make_shared<Link>()) {
    ExchangeApi::instance()->attachPartner(name_, link_);
}

RecordingPartner::~RecordingPartner() { ExchangeApi::instance()->detachPartner(name_); }

std::vector<RecordingPartner::Sent> RecordingPartner::sent() const { return link_->sent(); }

void RecordingPartner::failSends(std::optional<std::string> what) { link_->failSends(std::move(what)); }

}  // namespace foundation::msg_svc::exchange::testing
