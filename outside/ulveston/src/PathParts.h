#pragma once

#include <string_view>
#include <vector>

namespace install::ulveston {

// The parts of a "/"-separated path, read as the kernel reads them: empty parts and "." name nothing; ".." is a
// part of its own, for the caller to resolve or refuse. Views into path.
std::vector<std::string_view> partsOf(std::string_view path);

// A place is a path made of parts alone, joined by single "/" ("" is the top): what partsOf reads back unchanged.
std::string_view parentOf(std::string_view place);

}  // namespace install::ulveston
