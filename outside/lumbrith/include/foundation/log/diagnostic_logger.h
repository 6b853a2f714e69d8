#pragma once

#include <atomic>
#include <string>

#include <boost/log/core/record.hpp>
#include <boost/log/sources/severity_channel_logger.hpp>
#include <boost/log/sources/record_ostream.hpp>
#include <boost/log/utility/formatting_ostream.hpp>

#include "foundation/log/indent_attribute.h"

namespace foundation::log {

// Severities are bit flags; a record is made only when the logger's mask has its bit.
using severity_t = unsigned int;

// The logging core's global switch.
bool logging_enabled();
void set_logging_enabled(bool enabled);

template <class CharT>
class basic_diagnostic_logger {
public:
    using char_type = CharT;
    using string_type = std::basic_string<CharT>;

    // The mask is read from the environment for this channel.
    explicit basic_diagnostic_logger(const string_type& channel);
    basic_diagnostic_logger(const basic_diagnostic_logger&) = delete;
    basic_diagnostic_logger& operator=(const basic_diagnostic_logger&) = delete;

    const string_type& channel() const { return channel_; }
    severity_t mask() const { return mask_.load(std::memory_order_relaxed); }
    void set_mask(severity_t mask) { mask_.store(mask, std::memory_order_relaxed); }
    bool is_enabled(severity_t severity) const { return (mask() & severity) != 0; }

    detail::indent_attribute& indent() { return indent_; }

    // An empty record when the severity is masked out or logging is off.
    boost::log::record open_record(severity_t severity);
    void push_record(boost::log::record&& record);

private:
    string_type channel_;
    std::atomic<severity_t> mask_;
    detail::indent_attribute indent_;
    boost::log::sources::severity_channel_logger_mt<severity_t, std::string> source_;
};

using diagnostic_logger = basic_diagnostic_logger<char>;

namespace detail {

// Streams one record and pushes it when destroyed.
template <class CharT>
class record_stream {
public:
    record_stream(basic_diagnostic_logger<CharT>& logger, boost::log::record& record)
        : logger_(logger), record_(record), stream_(record) {}
    ~record_stream() {
        stream_.flush();
        stream_.detach_from_record();
        logger_.push_record(std::move(record_));
    }
    boost::log::formatting_ostream& stream() { return stream_; }

private:
    basic_diagnostic_logger<CharT>& logger_;
    boost::log::record& record_;
    boost::log::record_ostream stream_;
};

}  // namespace detail
}  // namespace foundation::log

// FOUNDATION_LOG(logger, 4) << "text"; the text is formatted only when the record is made, and a masked-out
// severity costs a test of the mask.
#define FOUNDATION_LOG(logger, severity)                                                                     \
    for (::boost::log::record foundation_log_record_ =                                                      \
             (logger).is_enabled(severity) ? (logger).open_record(severity) : ::boost::log::record();       \
         !!foundation_log_record_;)                                                          \
    ::foundation::log::detail::record_stream<typename std::remove_reference_t<decltype(logger)>::char_type>( \
        (logger), foundation_log_record_)                                                    \
        .stream()
