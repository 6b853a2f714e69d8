#include "FolderWalk.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace install::ulveston {
namespace {

constexpr int kFolderFlags = O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

int enterFolder(int parent, const std::string& name) {
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
    size_t begin = 0;
    for (size_t slash = place.find('/'); slash != std::string_view::npos; slash = place.find('/', begin)) {
        std::string part(place.substr(begin, slash - begin));
        begin = slash + 1;
        const int next = enterFolder(folder.get(), part);
        if (next < 0) {
            failedPart = std::move(part);
            return Descriptor();
        }
        folder.reset(next);
    }
    leaf = place.substr(begin);
    return folder;
}

std::string_view parentOf(std::string_view place) {
    const size_t slash = place.rfind('/');
    return slash == std::string_view::npos ? std::string_view() : place.substr(0, slash);
}

}  // namespace install::ulveston
