#include "TapRegistry.h"

#include <algorithm>

namespace ravo::detail {
namespace {

bool entryMatches(const std::string& key, const std::string& wanted, const DataIdentification& identification,
                  const RavoData& data) {
    if (key == "name") return identification.name == wanted;
    if (key == "version") return identification.version == wanted;
    auto found = data.values.find(key);
    if (found == data.values.end()) return false;
    const auto* text = std::get_if<std::string>(&found->second);
    return text != nullptr && *text == wanted;
}

bool filterMatches(const TapFilter& filter, const DataIdentification& identification, const RavoData& data) {
    return std::all_of(filter.begin(), filter.end(), [&](const auto& entry) {
        return entryMatches(entry.first, entry.second, identification, data);
    });
}

}  // namespace

TapRegistry& TapRegistry::instance() {
    static auto* registry = new TapRegistry;
    return *registry;
}

int TapRegistry::add(const TapFilter& filter, const TapCallback& callback, bool evenWithoutOptIn) {
    std::lock_guard lock(mutex_);
    taps_.push_back(Tap{++lastId_, filter, callback, evenWithoutOptIn});
    return lastId_;
}

void TapRegistry::remove(int tapId) {
    std::lock_guard lock(mutex_);
    std::erase_if(taps_, [tapId](const Tap& tap) { return tap.id == tapId; });
}

void TapRegistry::notify(const DataIdentification& identification, const RavoData& data, bool optedIn) const {
    std::vector<TapCallback> matching;
    {
        std::lock_guard lock(mutex_);
        for (const auto& tap : taps_) {
            if ((optedIn || tap.evenWithoutOptIn) && filterMatches(tap.filter, identification, data)) {
                matching.push_back(tap.callback);
            }
        }
    }
    for (const auto& callback : matching) {
        if (callback) callback(data.values);
    }
}

}  // namespace ravo::detail
