#include "foundation/log/diagnostic_logger.h"

#include <boost/log/core.hpp>
#include <boost/log/keywords/severity.hpp>

#include "configuration.h"

namespace foundation::log {

bool logging_enabled() { return boost::log::core::get()->get_logging_enabled(); }

void set_logging_enabled(bool enabled) { boost::log::core::get()->set_logging_enabled(enabled); }

template <class CharT>
basic_diagnostic_logger<CharT>::basic_diagnostic_logger(const string_type& channel)
    : channel_(channel),
      mask_(detail::configured_mask(channel)),
      source_(boost::log::keywords::channel = channel) {
    detail::ensure_sink();
    source_.add_attribute(detail::indent_attribute::name, indent_);
}

template <class CharT>
boost::log::record basic_diagnostic_logger<CharT>::open_record(severity_t severity) {
    if (!is_enabled(severity)) return {};
    return source_.open_record(boost::log::keywords::severity = severity);
}

template <class CharT>
void basic_diagnostic_logger<CharT>::push_record(boost::log::record&& record) {
    source_.push_record(std::move(record));
}

template class basic_diagnostic_logger<char>;

}  // namespace foundation::log
