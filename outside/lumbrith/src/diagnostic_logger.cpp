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
      // The logging core and its sink are made once, under a once flag, before any source touches the core:
      // loggers first made on two threads at once then find them whole.
      mask_((detail::ensure_sink(), detail::configured_mask(channel))),
      source_(boost::log::keywords::channel = channel) {
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
