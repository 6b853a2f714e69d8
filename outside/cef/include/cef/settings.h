#pragma once

#include <cstddef>

#include "cef/cef_string.h"

// Process-wide engine settings. A default-constructed record is zeroed with its size set.
struct CefSettings {
    std::size_t size = sizeof(CefSettings);
    int no_sandbox = 0;
    int multi_threaded_message_loop = 0;
    int windowless_rendering_enabled = 0;
    int remote_debugging_port = 0;
    CefString cache_path;
    CefString locales_dir_path;
    CefString resources_dir_path;
    CefString locale;
    CefString log_file;
};
