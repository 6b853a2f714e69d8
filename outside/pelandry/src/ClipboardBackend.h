#pragma once

#include <memory>
#include <string>
#include <vector>

#include "pf/clipboard/PFClipboardData.h"

namespace pf::clipboard::detail {

// Where the clipboard modes are kept: in process memory or on the desktop. Errors of the platform throw
// std::runtime_error; an unknown mode throws std::invalid_argument.
class ClipboardBackend {
public:
    virtual ~ClipboardBackend() = default;

    virtual void replace(std::unique_ptr<PFClipboardData> data, PFClipboardMode mode) = 0;
    virtual PFClipboardContent read(const std::u16string& mimeType, PFClipboardMode mode) = 0;
    virtual std::vector<std::u16string> mimeTypes(PFClipboardMode mode) = 0;
    // Makes sure that changes made from now on reach the change announcer.
    virtual void watchChanges() {}
};

// The process's backend, chosen at the first call: the in-memory one when PELANDRY_CLIPBOARD is "memory" or no
// display is named, the desktop's otherwise.
ClipboardBackend& activeClipboard();

}  // namespace pf::clipboard::detail
