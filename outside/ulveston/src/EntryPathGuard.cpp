#include "EntryPathGuard.h"

#include <climits>

#include "PathParts.h"
#include "install/ulveston/extract.h"

namespace install::ulveston {

void refuseEntry(const std::string& what, const std::string& why) {
    throw ArchiveEntryOutsideDestinationException("archive entry " + what + " refused: " + why);
}

// Longer paths could be written only in pieces, and could not be removed again in one call.
EntryPathGuard::EntryPathGuard(std::filesystem::path destination)
    : destination_(std::move(destination)),
      longestPlace_(destination_.native().size() + 1 < PATH_MAX ? PATH_MAX - 2 - destination_.native().size()
                                                                : 0) {}

std::string EntryPathGuard::placeOf(const std::string& entryPath) const {
    if (entryPath.empty()) refuseEntry(entryPath, "empty path");
    if (entryPath.front() == '/' || entryPath.front() == '\\' || entryPath.find(':') == 1) {
        refuseEntry(entryPath, "absolute path");
    }
    if (entryPath.find('\\') != std::string::npos) refuseEntry(entryPath, "backslash in path");
    std::string place;
    for (const std::string_view part : partsOf(entryPath)) {
        if (part == "..") refuseEntry(entryPath, "contains \"..\"");
        if (!place.empty()) place += '/';
        place += part;
    }
    if (place.size() > longestPlace_) refuseEntry(entryPath, "path too long");
    return place;
}

}  // namespace install::ulveston
