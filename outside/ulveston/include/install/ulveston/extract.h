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
// ArchiveEntryOutsideDestinationException for an entry that would leave the destination (absolute paths,
// "..", paths through a link, links whose target leaves the destination once every link is resolved, hard
// links to anything but a file), and std::runtime_error for a damaged archive, a write failure or an archive
// whose files' lengths, declared or written, add up to more than maxExtractedBytes. Links are made after all
// other entries. Nothing is ever written outside the destination and no link leading out is left; entries
// extracted before a failure stay.
inline constexpr std::uint64_t kMaxExtractedBytes = std::uint64_t{1} << 30;
void extract(const std::u16string& archive, const std::u16string& destination,
             std::uint64_t maxExtractedBytes = kMaxExtractedBytes);

}  // namespace install::ulveston
