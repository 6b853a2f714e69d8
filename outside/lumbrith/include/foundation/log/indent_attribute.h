#pragma once

#include <boost/log/attributes/attribute.hpp>
#include <boost/log/attributes/attribute_cast.hpp>

namespace foundation::log::detail {

// Indent level of a logger's records: one level per open trace scope.
class indent_attribute : public boost::log::attribute {
public:
    static constexpr const char* name = "Indent";

    indent_attribute();
    explicit indent_attribute(const boost::log::attributes::cast_source& source);

    void increase();
    // Never goes below zero.
    void decrease();
    int level() const;

private:
    class impl;
    impl* get_impl() const;
};

}  // namespace foundation::log::detail
