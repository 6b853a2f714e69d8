#pragma once

#include <string>

namespace tovrenna {

struct ArchivedManifest {
    std::string path;  // the member's path within the archive
    std::string text;
};

// Reads a bundle's resource archive, which must hold exactly one member, a file named
// "<folder>/manifest.json" of at most 1 MiB. Throws std::runtime_error saying what is wrong.
ArchivedManifest unpackManifest(const std::string& archive);

}  // namespace tovrenna
