#include "foundation/log/testing.h"

#include <mutex>

#include <boost/log/attributes/value_extraction.hpp>
#include <boost/log/core.hpp>
#include <boost/log/expressions/message.hpp>
#include <boost/log/sinks/basic_sink_backend.hpp>
#include <boost/log/sinks/sync_frontend.hpp>
#include <boost/make_shared.hpp>

namespace foundation::log::testing {

struct record_capture::state {
    mutable std::mutex mutex;
    std::vector<captured_record> records;
    boost::shared_ptr<boost::log::sinks::sink> sink;
};

namespace {

class capture_backend
    : public boost::log::sinks::basic_sink_backend<boost::log::sinks::synchronized_feeding> {
public:
    explicit capture_backend(std::weak_ptr<record_capture::state> target) : target_(std::move(target)) {}

    void consume(const boost::log::record_view& record) {
        namespace logging = boost::log;
        auto target = target_.lock();
        if (!target) return;
        captured_record item;
        item.channel = logging::extract_or_default<std::string>("Channel", record, std::string());
        item.severity = logging::extract_or_default<severity_t>("Severity", record, 0u);
        item.indent = logging::extract_or_default<int>(detail::indent_attribute::name, record, 0);
        item.message = logging::extract_or_default<std::string>("Message", record, std::string());
        std::lock_guard lock(target->mutex);
        target->records.push_back(std::move(item));
    }

private:
    std::weak_ptr<record_capture::state> target_;
};

}  // namespace

record_capture::record_capture() : state_(std::make_shared<state>()) {
    auto backend = boost::make_shared<capture_backend>(state_);
    state_->sink = boost::make_shared<boost::log::sinks::synchronous_sink<capture_backend>>(backend);
    boost::log::core::get()->add_sink(state_->sink);
}

record_capture::~record_capture() { boost::log::core::get()->remove_sink(state_->sink); }

std::vector<captured_record> record_capture::records() const {
    std::lock_guard lock(state_->mutex);
    return state_->records;
}

std::vector<captured_record> record_capture::records(const std::string& channel) const {
    std::vector<captured_record> result;
    for (auto& item : records()) {
        if (item.channel == channel) result.push_back(item);
    }
    return result;
}

void record_capture::clear() {
    std::lock_guard lock(state_->mutex);
    state_->records.clear();
}

}  // namespace foundation::log::testing
