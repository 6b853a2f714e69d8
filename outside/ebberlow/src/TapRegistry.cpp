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
    taps_.push_back(std::make_shared<Tap>(Tap{++lastId_, filter, callback, evenWithoutOptIn, false, {}}));
    return lastId_;
}

void TapRegistry::remove(int tapId) {
    std::unique_lock lock(mutex_);
    auto found = std::find_if(taps_.begin(), taps_.end(), [tapId](const auto& tap) { return tap->id == tapId; });
    if (found == taps_.end()) return;
    std::shared_ptr<Tap> tap = std::move(*found);
    taps_.erase(found);
    tap->removed = true;
    // From inside its own callback the call cannot end first; the last call's end releases the tap then.
    if (std::find(tap->callers.begin(), tap->callers.end(), std::this_thread::get_id()) != tap->callers.end()) return;
    callEnded_.wait(lock, [&] { return tap->callers.empty(); });
    // What the callback holds goes now, on the remover's thread, not when another thread's snapshot lets go.
    TapCallback released;
    released.swap(tap->callback);
    lock.unlock();
}

void TapRegistry::notify(const DataIdentification& identification, const RavoData& data, bool optedIn) {
    std::vector<std::shared_ptr<Tap>> matching;
    {
        std::lock_guard lock(mutex_);
        for (const auto& tap : taps_) {
            if ((optedIn || tap->evenWithoutOptIn) && filterMatches(tap->filter, identification, data)) {
                matching.push_back(tap);
            }
        }
    }
    for (const auto& tap : matching) call(tap, data.values);
}

void TapRegistry::call(const std::shared_ptr<Tap>& tap, const RavoValueMap& values) {
    {
        std::lock_guard lock(mutex_);
        if (tap->removed || !tap->callback) return;
        tap->callers.push_back(std::this_thread::get_id());
    }
    try {
        tap->callback(values);
    } catch (...) {
        leave(*tap);
        throw;
    }
    leave(*tap);
}

void TapRegistry::leave(Tap& tap) {
    {
        std::lock_guard lock(mutex_);
        tap.callers.erase(std::find(tap.callers.begin(), tap.callers.end(), std::this_thread::get_id()));
    }
    callEnded_.notify_all();
}

}  // namespace ravo::detail
