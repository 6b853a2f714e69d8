#pragma once

#include <string>

namespace fl::filesystem {

// A fresh, unique temporary name: folder / prefix + random + suffix. The name is reserved by creating an empty
// folder there, readable by its owner only, in one step, so nobody else can take it between choosing and use.
// An empty folder means the system's temporary folder. Throws std::filesystem::filesystem_error on failure.
std::u16string tmpnam(const std::u16string& folder, const std::u16string& prefix, const std::u16string& suffix);

}  // namespace fl::filesystem
