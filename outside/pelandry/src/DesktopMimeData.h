#pragma once

#include <memory>
#include <string>
#include <vector>

#include "pf/clipboard/PFClipboardData.h"

class QMimeData;

namespace pf::clipboard::detail {

// What the desktop is offered for the contents: texts as UTF-8, path lists as a URI list, images as PNG, bytes
// as they are. The action is not offered.
std::unique_ptr<QMimeData> toMimeData(const PFClipboardData& data);

// The content offered under the MIME type, monostate when it is not offered: a URI list as paths, images as a
// PNG image, other texts as text, everything else as bytes.
PFClipboardContent contentOf(const QMimeData* offered, const std::u16string& mimeType);

// The MIME types offered, in order, without the selection protocol's own targets.
std::vector<std::u16string> mimeTypesOf(const QMimeData* offered);

}  // namespace pf::clipboard::detail
