#pragma once

#include <string>

#include "install/tambrel/TambrelExport.h"

// The installer log: one line per message, appended to the file named by TAMBREL_INSTALLER_LOG.
// Without that variable messages go nowhere.
namespace install::tambrel::logger {

TAMBREL_EXPORT void append_message(const std::wstring& message);

}  // namespace install::tambrel::logger
