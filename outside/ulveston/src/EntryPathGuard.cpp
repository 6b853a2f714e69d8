#include "EntryPathGuard.h"

#include <system_error>
#include <vector>

#include "install/ulveston/extract.h"

namespace install::ulveston {
namespace {

[[noreturn]] void refuse(const std::string& what, const std::string& why) {
    throw ArchiveEntryOutsideDestinationException("archive entry " + what + " refused: " + why);
}

}  // namespace

std::filesystem::path EntryPathGuard::resolveInside(const std::filesystem::path& start, const std::string& relative,
                                                    const std::string& what) const {
    if (relative.empty()) refuse(what, "empty path");
    if (relative.front() == '/' || relative.front() == '\\' || relative.find(':') == 1) refuse(what, "absolute path");
    if (relative.find('\\') != std::string::npos) refuse(what, "backslash in path");
    std::vector<std::string> parts;
    for (auto it = start.begin(); it != start.end(); ++it) parts.push_back(it->string());
    size_t begin = 0;
    while (begin <= relative.size()) {
        size_t end = relative.find('/', begin);
        if (end == std::string::npos) end = relative.size();
        const std::string part = relative.substr(begin, end - begin);
        begin = end + 1;
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (parts.empty()) refuse(what, "leads out of the destination");
            parts.pop_back();
            continue;
        }
        parts.push_back(part);
        std::filesystem::path sofar = destination_;
        for (const auto& p : parts) sofar /= p;
        std::error_code error;
        if (begin <= relative.size() && std::filesystem::is_symlink(std::filesystem::symlink_status(sofar, error))) {
            refuse(what, "goes through a symbolic link");
        }
    }
    std::filesystem::path inside;
    for (const auto& p : parts) inside /= p;
    return inside;
}

std::filesystem::path EntryPathGuard::placeOf(const std::string& entryPath) const {
    if (entryPath.find("..") != std::string::npos) {
        for (size_t at = entryPath.find(".."); at != std::string::npos; at = entryPath.find("..", at + 1)) {
            const bool startsPart = at == 0 || entryPath[at - 1] == '/';
            const bool endsPart = at + 2 == entryPath.size() || entryPath[at + 2] == '/';
            if (startsPart && endsPart) refuse(entryPath, "contains \"..\"");
        }
    }
    const auto inside = resolveInside({}, entryPath, entryPath);
    return inside.empty() ? destination_ : destination_ / inside;
}

void EntryPathGuard::checkSymlinkTarget(const std::string& entryPath, const std::string& target) const {
    const auto linkFolder = std::filesystem::path(entryPath).parent_path().lexically_normal();
    resolveInside(linkFolder, target, entryPath + " -> " + target);
}

}  // namespace install::ulveston
