#pragma once

#include <string>
#include <vector>

#include "install/tambrel/TambrelExport.h"

namespace install::tambrel::testing {

// Collects the installer log messages appended while it lives.
class installer_log_capture {
public:
    installer_log_capture();
    ~installer_log_capture();
    installer_log_capture(const installer_log_capture&) = delete;
    installer_log_capture& operator=(const installer_log_capture&) = delete;

    std::vector<std::wstring> messages() const;
};

}  // namespace install::tambrel::testing

namespace install::tambrel::logger::detail {
using observer = void (*)(const std::wstring& message);
// One observer at a time; nullptr removes it.
TAMBREL_EXPORT void set_observer(observer callback);
}  // namespace install::tambrel::logger::detail
