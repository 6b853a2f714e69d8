#pragma once

#include <cstddef>

#include "cef/cef_string.h"

enum cef_state_t { STATE_DEFAULT = 0, STATE_ENABLED, STATE_DISABLED };

struct CefBrowserSettings {
    std::size_t size = sizeof(CefBrowserSettings);
    int windowless_frame_rate = 0;
    CefString default_encoding;
    cef_state_t javascript = STATE_DEFAULT;
    cef_state_t file_access_from_file_urls = STATE_DEFAULT;
};
