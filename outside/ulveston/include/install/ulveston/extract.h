#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace install::ulveston {

// An entry whose path, or whose link target, would lead out of the destination.
class ArchiveEntryOutsideDestinationException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Extracts a zip or tar archive (tar optionally gzip, bzip2 or xz compressed) into an existing folder.
// Throws std::invalid_argument when the archive is not a readable file or the destination is not a folder,
// ArchiveEntryOutsideDestinationException for an entry that would leave the destination (absolute paths, "..",
// links pointing outside or through other links), and std::runtime_error for a damaged archive, a write failure
// or an archive that expands beyond maxExtractedBytes (a hostile archive can expand far beyond its own size).
// Nothing is ever written outside the destination; entries extracted before a failure stay.
inline constexpr std::uint64_t kMaxExtractedBytes = std::uint64_t{1} << 30;
void extract(const std::u16string& archive, const std::u16string& destination,
             std::uint64_t maxExtractedBytes = kMaxExtractedBytes);

}  // namespace install::ulveston
