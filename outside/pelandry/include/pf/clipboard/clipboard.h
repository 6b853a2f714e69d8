#pragma once

#include <memory>
#include <string>
#include <vector>

#include "pf/clipboard/PFClipboardData.h"

namespace pf::clipboard {

// Replaces the mode's contents. A change of the clipboard mode is announced to the change observer.
PELANDRY_EXPORT void setClipboardData(std::unique_ptr<PFClipboardData> data, PFClipboardMode mode);

// The content of one MIME type (monostate when absent); throws std::runtime_error when the platform fails.
PELANDRY_EXPORT PFClipboardContent getClipboardDataSync(const std::u16string& mimeType, PFClipboardMode mode);

// The MIME types held, in the order they were added; throws std::runtime_error when the platform fails.
PELANDRY_EXPORT std::vector<std::u16string> getAvailableMimeTypesSync(PFClipboardMode mode);

}  // namespace pf::clipboard
