#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "pf/graphics/PFGraphics.h"

namespace pf::graphics::detail {

// An image kept as the bytes it was made from; throws std::invalid_argument for no bytes.
std::unique_ptr<PFGraphics> graphicsFromBytes(std::vector<std::byte> bytes);

}  // namespace pf::graphics::detail
