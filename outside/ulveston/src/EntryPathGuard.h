#pragma once

#include <filesystem>
#include <string>

namespace install::ulveston {

// Decides where an archive entry goes inside a destination folder, from the entry's name alone.
class EntryPathGuard {
public:
    explicit EntryPathGuard(std::filesystem::path destination);

    // The entry's place relative to the destination, "/"-separated without "." or empty parts ("" is the
    // destination itself). Throws ArchiveEntryOutsideDestinationException for absolute names, "..",
    // backslashes, and names too long to be reached on disk.
    std::string placeOf(const std::string& entryPath) const;
    std::filesystem::path onDisk(const std::string& place) const { return destination_ / place; }

private:
    std::filesystem::path destination_;
    size_t longestPlace_;
};

// Throws ArchiveEntryOutsideDestinationException("archive entry <what> refused: <why>").
[[noreturn]] void refuseEntry(const std::string& what, const std::string& why);

}  // namespace install::ulveston
