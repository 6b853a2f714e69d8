#include "PendingLinks.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <deque>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include "FolderWalk.h"
#include "PathParts.h"
#include "install/ulveston/extract.h"

namespace install::ulveston {
namespace {

// The kernel gives up after as many links in one lookup.
constexpr int kMaxLinksFollowed = 40;
// Resolution steps for all links of one archive together, so that no archive can keep the check busy for
// long.
constexpr size_t kMaxResolutionSteps = 1'000'000;

// Puts the parts of a link target in front of the ones still to resolve; false for an absolute target.
bool prependTarget(std::deque<std::string>& rest, const std::string& target) {
    if (target.empty() || target.front() == '/') return false;
    const auto parts = partsOf(target);
    rest.insert(rest.begin(), parts.begin(), parts.end());
    return true;
}

// A relative path that grows and shrinks one part at a time.
class PartStack {
public:
    explicit PartStack(std::string_view place) {
        for (const std::string_view part : partsOf(place)) push(part);
    }
    bool empty() const { return starts_.empty(); }
    void push(std::string_view part) {
        starts_.push_back(path_.size());
        if (!path_.empty()) path_ += '/';
        path_ += part;
    }
    void pop() {
        path_.resize(starts_.back());
        starts_.pop_back();
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::vector<size_t> starts_;
};

[[noreturn]] void failLink(const std::string& entryName, const std::string& why) {
    throw std::runtime_error("cannot make link " + entryName + ": " + why + ": " + std::strerror(errno));
}

}  // namespace

PendingLinks::PendingLinks(const EntryPathGuard& guard) : guard_(guard) {
    const auto destination = guard_.onDisk("");
    std::error_code error;
    for (std::filesystem::recursive_directory_iterator it(destination, error), end; !error && it != end;
         it.increment(error)) {
        if (it->is_symlink(error)) {
            links_[it->path().lexically_relative(destination).generic_string()] = {
                std::filesystem::read_symlink(it->path(), error).string(), ""};
        }
    }
    if (error)
        throw std::runtime_error("cannot read the destination " + destination.string() + ": " +
                                 error.message());
}

void PendingLinks::add(const std::string& place, const std::string& target, const std::string& entryName) {
    if (place.empty()) refuseEntry(entryName, "a link in place of the destination");
    if (target.empty()) refuseEntry(entryName, "empty link target");
    if (target.size() >= PATH_MAX) refuseEntry(entryName, "link target too long");
    refuseAtOrBelowLink(std::string(parentOf(place)), entryName);
    links_[place] = {target, entryName};
}

void PendingLinks::refuseAtOrBelowLink(const std::string& place, const std::string& entryName) const {
    if (links_.empty()) return;
    for (std::string_view folder = parentOf(place); !folder.empty(); folder = parentOf(folder)) {
        if (links_.contains(std::string(folder))) refuseEntry(entryName, "goes through a link");
    }
    if (links_.contains(place)) refuseEntry(entryName, "takes the place of a link");
}

void PendingLinks::makeAll() const {
    size_t stepsLeft = kMaxResolutionSteps;
    for (const auto& [place, link] : links_) {
        if (!link.entryName.empty() && !staysInside(place, link, stepsLeft))
            refuseEntry(link.entryName + " -> " + link.target, "leads out of the destination");
    }
    std::vector<std::string> made;
    try {
        for (const auto& [place, link] : links_) {
            if (link.entryName.empty()) continue;
            make(place, link);
            made.push_back(place);
        }
    } catch (...) {
        // The checks above counted on every link being there.
        for (const auto& place : made) ::unlink(guard_.onDisk(place).c_str());
        throw;
    }
}

// Resolves the target as the kernel would, one part at a time, on the links alone: nothing else on disk can
// redirect a path.
bool PendingLinks::staysInside(const std::string& place, const Link& link, size_t& stepsLeft) const {
    PartStack resolved(parentOf(place));
    std::deque<std::string> rest;
    if (!prependTarget(rest, link.target)) return false;
    int followed = 0;
    while (!rest.empty()) {
        if (stepsLeft-- == 0) refuseEntry(link.entryName, "too many links to check");
        std::string part = std::move(rest.front());
        rest.pop_front();
        if (part == "..") {
            if (resolved.empty()) return false;
            resolved.pop();
            continue;
        }
        resolved.push(part);
        if (const std::string* target = linkTargetAt(resolved.path())) {
            resolved.pop();
            if (++followed > kMaxLinksFollowed || !prependTarget(rest, *target)) return false;
        }
    }
    return true;
}

const std::string* PendingLinks::linkTargetAt(const std::string& place) const {
    const auto link = links_.find(place);
    return link == links_.end() ? nullptr : &link->second.target;
}

// Walks to the link's folder without following any link, making missing folders on the way.
void PendingLinks::make(const std::string& place, const Link& link) const {
    const Descriptor destination = openFolder(guard_.onDisk("").string());
    if (destination.get() < 0) failLink(link.entryName, "cannot open the destination");
    std::string leaf;
    std::string failedPart;
    const Descriptor folder = openParentFolder(destination.get(), place, leaf, failedPart);
    if (folder.get() < 0) failLink(link.entryName, "cannot enter " + failedPart);
    if (::symlinkat(link.target.c_str(), folder.get(), leaf.c_str()) != 0) {
        failLink(link.entryName, "its place is taken");
    }
}

}  // namespace install::ulveston
