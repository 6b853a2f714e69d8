#pragma once

#include <memory>
#include <string>
#include <vector>

#include "pf/clipboard/PFClipboardData.h"

namespace pf::clipboard {

// Mode 0 is the desktop's clipboard and mode 1 its primary selection whenever a display is named in DISPLAY;
// with PELANDRY_CLIPBOARD=memory, or without a display, both are kept in process memory. Calls may come from
// any thread; a desktop call that does not finish in time throws std::runtime_error.

// Replaces the mode's contents. A change of the clipboard mode is announced to the change observer; throws
// std::runtime_error when the platform fails.
PELANDRY_EXPORT void setClipboardData(std::unique_ptr<PFClipboardData> data, PFClipboardMode mode);

// The content of one MIME type (monostate when absent); throws std::runtime_error when the platform fails.
PELANDRY_EXPORT PFClipboardContent getClipboardDataSync(const std::u16string& mimeType, PFClipboardMode mode);

// The MIME types held, in the order they were added (as another program offers them on the desktop); throws std::runtime_error when the platform fails.
PELANDRY_EXPORT std::vector<std::u16string> getAvailableMimeTypesSync(PFClipboardMode mode);

}  // namespace pf::clipboard
