#pragma once

#include <memory>
#include <string>
#include <vector>

#include "foundation/log/diagnostic_logger.h"

namespace foundation::log::testing {

struct captured_record {
    std::string channel;
    severity_t severity = 0;
    int indent = 0;
    std::string message;
};

// Collects every record pushed to the core while it lives.
class record_capture {
public:
    record_capture();
    ~record_capture();
    record_capture(const record_capture&) = delete;
    record_capture& operator=(const record_capture&) = delete;

    std::vector<captured_record> records() const;
    // Records of one channel only.
    std::vector<captured_record> records(const std::string& channel) const;
    void clear();

    struct state;

private:
    std::shared_ptr<state> state_;
};

}  // namespace foundation::log::testing
