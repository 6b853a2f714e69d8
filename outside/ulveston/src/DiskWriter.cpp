#include "DiskWriter.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "PathParts.h"

namespace install::ulveston {
namespace {

[[noreturn]] void failEntry(const std::string& entryName, const std::string& why) {
    throw std::runtime_error("cannot extract " + entryName + ": " + why + ": " + std::strerror(errno));
}

bool timesGiven(const EntryTimes& times) {
    return times[0].tv_nsec != UTIME_OMIT || times[1].tv_nsec != UTIME_OMIT;
}

}  // namespace

DiskWriter::DiskWriter(const std::filesystem::path& destination) : destination_(openFolder(destination.string())) {
    if (destination_.get() < 0)
        throw std::runtime_error("cannot open the destination " + destination.string() + ": " + std::strerror(errno));
}

int DiskWriter::parentFolder(const std::string& place, std::string& leaf, const std::string& entryName) {
    const std::string_view parent = parentOf(place);
    if (parent.empty()) {
        leaf = place;
        return destination_.get();
    }
    leaf = place.substr(parent.size() + 1);
    if (openFolder_.get() < 0 || parent != openPlace_) {
        std::string failedPart;
        std::string unused;
        openFolder_ = openParentFolder(destination_.get(), place, unused, failedPart);
        if (openFolder_.get() < 0) failEntry(entryName, "cannot enter " + failedPart);
        openPlace_ = parent;
    }
    return openFolder_.get();
}

bool DiskWriter::clearPlace(int folder, const std::string& leaf) {
    if (::unlinkat(folder, leaf.c_str(), 0) == 0) return true;
    if (errno != EISDIR && errno != EPERM) return false;
    // A folder below the open one may be among those removed.
    openFolder_.reset();
    return ::unlinkat(folder, leaf.c_str(), AT_REMOVEDIR) == 0;
}

Descriptor DiskWriter::createFile(const std::string& place, mode_t mode, const std::string& entryName) {
    if (place.empty()) {
        errno = EISDIR;
        failEntry(entryName, "the destination itself");
    }
    std::string leaf;
    const int folder = parentFolder(place, leaf, entryName);
    constexpr int kFlags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    Descriptor file(::openat(folder, leaf.c_str(), kFlags, mode));
    if (file.get() < 0 && errno == EEXIST && clearPlace(folder, leaf)) {
        file.reset(::openat(folder, leaf.c_str(), kFlags, mode));
    }
    if (file.get() < 0) failEntry(entryName, "cannot create the file");
    return file;
}

void DiskWriter::finishFile(const Descriptor& file, const EntryTimes& times, const std::string& entryName) {
    if (timesGiven(times) && ::futimens(file.get(), times.data()) != 0) failEntry(entryName, "cannot set its time");
}

void DiskWriter::makeFolder(const std::string& place, mode_t mode, const EntryTimes& times,
                            const std::string& entryName) {
    if (place.empty()) return;
    std::string leaf;
    const int folder = parentFolder(place, leaf, entryName);
    if (::mkdirat(folder, leaf.c_str(), mode) != 0) {
        if (errno != EEXIST) failEntry(entryName, "cannot make the folder");
        struct stat info {};
        if (::fstatat(folder, leaf.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
            failEntry(entryName, "cannot inspect its place");
        if (S_ISDIR(info.st_mode)) return;
        if (!clearPlace(folder, leaf) || ::mkdirat(folder, leaf.c_str(), mode) != 0)
            failEntry(entryName, "cannot make the folder");
    }
    if (timesGiven(times)) folderTimes_.emplace_back(place, times);
}

void DiskWriter::linkFile(const std::string& place, const std::string& targetPlace, const std::string& entryName) {
    if (place.empty() || targetPlace.empty()) {
        errno = EISDIR;
        failEntry(entryName, "the destination itself");
    }
    std::string targetLeaf;
    std::string failedPart;
    const Descriptor targetFolder = openParentFolder(destination_.get(), targetPlace, targetLeaf, failedPart);
    if (targetFolder.get() < 0) failEntry(entryName, "cannot enter " + failedPart);
    std::string leaf;
    const int folder = parentFolder(place, leaf, entryName);
    bool linked = ::linkat(targetFolder.get(), targetLeaf.c_str(), folder, leaf.c_str(), 0) == 0;
    if (!linked && errno == EEXIST && clearPlace(folder, leaf))
        linked = ::linkat(targetFolder.get(), targetLeaf.c_str(), folder, leaf.c_str(), 0) == 0;
    if (!linked) failEntry(entryName, "cannot link");
}

void DiskWriter::finish() {
    std::sort(folderTimes_.begin(), folderTimes_.end(),
              [](const auto& a, const auto& b) { return a.first > b.first; });
    for (const auto& [place, times] : folderTimes_) {
        std::string leaf;
        const int folder = parentFolder(place, leaf, place);
        if (::utimensat(folder, leaf.c_str(), times.data(), AT_SYMLINK_NOFOLLOW) != 0)
            failEntry(place, "cannot set its time");
    }
    folderTimes_.clear();
}

}  // namespace install::ulveston
