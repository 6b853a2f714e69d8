#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "fl/filesystem/basic_path.h"
#include "pf/graphics/PFGraphics.h"

namespace pf::clipboard {

enum PFClipboardMode { PFClipboardModeClipboard = 0, PFClipboardModeSelection = 1 };

// What a paste of path lists does with the files.
enum PFClipboardAction { PFClipboardActionCopy = 0, PFClipboardActionMove = 1 };

// One flavour's content: none, text, paths, an image or raw bytes.
using PFClipboardContent = std::variant<std::monostate, std::u16string, std::vector<fl::filesystem::basic_path>,
                                        std::shared_ptr<pf::graphics::PFGraphics>, std::vector<std::byte>>;

}  // namespace pf::clipboard
