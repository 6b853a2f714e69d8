#include "foundation/log/indent_attribute.h"

#include <atomic>

#include <boost/log/attributes/attribute_value_impl.hpp>

namespace foundation::log::detail {

class indent_attribute::impl : public boost::log::attribute::impl {
public:
    boost::log::attribute_value get_value() override {
        return boost::log::attributes::make_attribute_value(level.load(std::memory_order_relaxed));
    }
    std::atomic<int> level{0};
};

indent_attribute::indent_attribute() : boost::log::attribute(new impl) {}

indent_attribute::indent_attribute(const boost::log::attributes::cast_source& source)
    : boost::log::attribute(source.as<impl>()) {}

indent_attribute::impl* indent_attribute::get_impl() const {
    return static_cast<impl*>(boost::log::attribute::get_impl());
}

void indent_attribute::increase() { get_impl()->level.fetch_add(1, std::memory_order_relaxed); }

void indent_attribute::decrease() {
    auto& level = get_impl()->level;
    int current = level.load(std::memory_order_relaxed);
    while (current > 0 && !level.compare_exchange_weak(current, current - 1, std::memory_order_relaxed)) {
    }
}

int indent_attribute::level() const { return get_impl()->level.load(std::memory_order_relaxed); }

}  // namespace foundation::log::detail
