#pragma once

#include <filesystem>
#include <string>

namespace install::ulveston {

// Decides where an archive entry may go inside a destination folder.
class EntryPathGuard {
public:
    explicit EntryPathGuard(std::filesystem::path destination) : destination_(std::move(destination)) {}

    // The entry's place on disk; throws ArchiveEntryOutsideDestinationException if it leaves the destination
    // or passes through a symbolic link already on disk.
    std::filesystem::path placeOf(const std::string& entryPath) const;
    // Checks a symbolic link target relative to the link's own folder.
    void checkSymlinkTarget(const std::string& entryPath, const std::string& target) const;

private:
    // Relative components resolved against a starting folder inside the destination.
    std::filesystem::path resolveInside(const std::filesystem::path& start, const std::string& relative,
                                        const std::string& what) const;

    std::filesystem::path destination_;
};

}  // namespace install::ulveston
