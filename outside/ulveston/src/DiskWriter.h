#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <array>
#include <ctime>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "FolderWalk.h"

namespace install::ulveston {

// Access and modification times; UTIME_OMIT in tv_nsec leaves one as it is.
using EntryTimes = std::array<timespec, 2>;

// Makes files, folders and hard links at places inside the destination (as EntryPathGuard gives them). Every
// folder on the way is opened from the one before and never through a link, so nothing lands outside the
// destination whatever is on disk. Modes are taken as given, less the process umask. Throws std::runtime_error
// naming the entry when the disk refuses.
class DiskWriter {
public:
    explicit DiskWriter(const std::filesystem::path& destination);

    // An empty file, replacing a file or an empty folder at its place; written by the caller, then handed to
    // finishFile.
    Descriptor createFile(const std::string& place, mode_t mode, const std::string& entryName);
    void finishFile(const Descriptor& file, const EntryTimes& times, const std::string& entryName);
    // A folder already there keeps its mode and times.
    void makeFolder(const std::string& place, mode_t mode, const EntryTimes& times, const std::string& entryName);
    // A second name for the file at targetPlace, replacing a file at place.
    void linkFile(const std::string& place, const std::string& targetPlace, const std::string& entryName);
    // Gives the folders made their times, deepest first, since making entries inside a folder changes its time.
    void finish();

private:
    // The folder holding place, opened once for a run of entries in the same folder.
    int parentFolder(const std::string& place, std::string& leaf, const std::string& entryName);
    // Removes what stands at leaf so that it can be made anew; false when it cannot be.
    bool clearPlace(int folder, const std::string& leaf);

    Descriptor destination_;
    std::string openPlace_;
    Descriptor openFolder_;
    std::vector<std::pair<std::string, EntryTimes>> folderTimes_;
};

}  // namespace install::ulveston
