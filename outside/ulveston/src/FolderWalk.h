#pragma once

#include <string>
#include <string_view>

namespace install::ulveston {

// Owns an open file descriptor.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(Descriptor&& other) noexcept : fd_(other.release()) {}
    Descriptor& operator=(Descriptor&& other) noexcept {
        reset(other.release());
        return *this;
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    void reset(int fd = -1);
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    int get() const { return fd_; }

private:
    int fd_;
};

// Opens a folder without following a link in its place; an invalid descriptor when it cannot.
Descriptor openFolder(const std::string& path);

// Opens the folder that holds place (relative to root, parts as partsOf reads them), part by part, never through
// a link nor above root, making missing folders on the way. Sets leaf to the last part. Returns an invalid descriptor on failure,
// with errno set and failedPart naming the part.
Descriptor openParentFolder(int root, std::string_view place, std::string& leaf, std::string& failedPart);

}  // namespace install::ulveston
