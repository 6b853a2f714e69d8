#pragma once

#include <string>
#include <unordered_map>

#include "EntryPathGuard.h"

namespace install::ulveston {

// Symbolic links of an archive, made only after every other entry is on disk, so that no entry is written
// through them and no link is judged before the links it depends on are known. A link is made only when its
// target, resolved through every link of the archive and every link that was in the destination before, stays
// in the destination.
class PendingLinks {
public:
    // Notes the links already in the destination, in one walk.
    explicit PendingLinks(const EntryPathGuard& guard);

    // A later link of the same place replaces an earlier one.
    void add(const std::string& place, const std::string& target, const std::string& entryName);
    // Refuses an entry at the place of a link or below one.
    void refuseAtOrBelowLink(const std::string& place, const std::string& entryName) const;
    // Checks every link, then makes them; on failure none of them is left.
    void makeAll() const;

private:
    struct Link {
        std::string target;
        std::string entryName;  // empty for a link that was there before
    };
    bool staysInside(const std::string& place, const Link& link, size_t& stepsLeft) const;
    const std::string* linkTargetAt(const std::string& place) const;
    void make(const std::string& place, const Link& link) const;

    const EntryPathGuard& guard_;
    std::unordered_map<std::string, Link> links_;
};

}  // namespace install::ulveston
