#include "FolderWalk.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "PathParts.h"

namespace install::ulveston {
namespace {

constexpr int kFolderFlags = O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// A child folder, made when missing; never the parent.
int enterFolder(int parent, std::string_view part) {
    if (part == "..") {
        errno = EACCES;
        return -1;
    }
    const std::string name(part);
    const int folder = ::openat(parent, name.c_str(), kFolderFlags);
    if (folder >= 0 || errno != ENOENT) return folder;
    if (::mkdirat(parent, name.c_str(), 0755) != 0 && errno != EEXIST) return -1;
    return ::openat(parent, name.c_str(), kFolderFlags);
}

}  // namespace

void Descriptor::reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
}

Descriptor openFolder(const std::string& path) { return Descriptor(::open(path.c_str(), kFolderFlags)); }

Descriptor openParentFolder(int root, std::string_view place, std::string& leaf, std::string& failedPart) {
    Descriptor folder(::dup(root));
    if (folder.get() < 0) return folder;
    const auto parts = partsOf(place);
    leaf = parts.empty() ? std::string() : std::string(parts.back());
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
        const int next = enterFolder(folder.get(), parts[i]);
        if (next < 0) {
            failedPart = parts[i];
            return Descriptor();
        }
        folder.reset(next);
    }
    return folder;
}

}  // namespace install::ulveston
