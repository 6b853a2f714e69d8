#include "configuration.h"

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <mutex>
#include <string_view>

#include <boost/core/null_deleter.hpp>
#include <boost/log/attributes/clock.hpp>
#include <boost/log/attributes/current_thread_id.hpp>
#include <boost/log/attributes/value_extraction.hpp>
#include <boost/log/core.hpp>
#include <boost/log/sinks/sync_frontend.hpp>
#include <boost/log/sinks/text_ostream_backend.hpp>
#include <boost/log/support/date_time.hpp>
#include <boost/shared_ptr.hpp>
#include <boost/make_shared.hpp>

namespace foundation::log::detail {
namespace {

bool parse_mask(std::string_view text, severity_t& mask) {
    if (text.empty()) return false;
    std::string copy(text);
    char* end = nullptr;
    unsigned long value = std::strtoul(copy.c_str(), &end, 0);
    if (end == copy.c_str() || *end != '\0') return false;
    mask = static_cast<severity_t>(value);
    return true;
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

void format_record(const boost::log::record_view& record, boost::log::formatting_ostream& out) {
    namespace logging = boost::log;
    if (auto time = logging::extract<boost::posix_time::ptime>("TimeStamp", record)) {
        out << boost::posix_time::to_iso_extended_string(*time) << ' ';
    }
    if (auto thread = logging::extract<logging::attributes::current_thread_id::value_type>("ThreadID", record)) {
        out << '[' << *thread << "] ";
    }
    out << '<' << logging::extract_or_default<std::string>("Channel", record, std::string()) << "> ";
    out << logging::extract_or_default<severity_t>("Severity", record, 0u) << ' ';
    int indent = logging::extract_or_default<int>(indent_attribute::name, record, 0);
    for (int i = 0; i < indent; ++i) out << "  ";
    out << record[logging::expressions::smessage];
}

}  // namespace

severity_t configured_mask(const std::string& channel) {
    severity_t mask = 0;
    if (const char* all = std::getenv("LUMBRITH_LOG_MASK")) parse_mask(trim(all), mask);
    const char* list = std::getenv("LUMBRITH_LOG_CHANNELS");
    if (list == nullptr) return mask;
    std::string_view rest(list);
    while (!rest.empty()) {
        auto comma = rest.find(',');
        std::string_view item = rest.substr(0, comma);
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
        auto equals = item.rfind('=');
        if (equals == std::string_view::npos) continue;
        if (trim(item.substr(0, equals)) == channel) parse_mask(trim(item.substr(equals + 1)), mask);
    }
    return mask;
}

void ensure_sink() {
    static std::once_flag once;
    std::call_once(once, [] {
        namespace logging = boost::log;
        using backend_t = logging::sinks::text_ostream_backend;
        auto backend = boost::make_shared<backend_t>();
        const char* path = std::getenv("LUMBRITH_LOG_FILE");
        boost::shared_ptr<std::ostream> file;
        if (path != nullptr && *path != '\0') {
            file = boost::make_shared<std::ofstream>(path, std::ios::app);
            if (!*file) file.reset();
        }
        if (file) {
            backend->add_stream(file);
        } else {
            backend->add_stream(boost::shared_ptr<std::ostream>(&std::clog, boost::null_deleter()));
        }
        backend->auto_flush(true);
        auto sink = boost::make_shared<logging::sinks::synchronous_sink<backend_t>>(backend);
        sink->set_formatter(&format_record);
        auto core = logging::core::get();
        core->add_sink(sink);
        core->add_global_attribute("TimeStamp", logging::attributes::local_clock());
        core->add_global_attribute("ThreadID", logging::attributes::current_thread_id());
    });
}

}  // namespace foundation::log::detail
