#include "tovrenna/Framework.h"

#include <nlohmann/json.hpp>
#include <stdexcept>

#include "BundleDescription.h"
#include "tovrenna/BundleResources.h"

namespace tovrenna {

std::shared_ptr<void> Framework::findService(const std::string& interfaceName) const {
    auto found = services_.find(interfaceName);
    return found == services_.end() ? nullptr : found->second;
}

std::unique_ptr<Bundle> Framework::installBundle(const std::filesystem::path& plugin) {
    Bundle::Description description;
    try {
        description = describeBundle(readBundleResources(plugin), plugin);
    } catch (const nlohmann::json::exception& error) {
        throw std::runtime_error("bad bundle manifest in " + plugin.string() + ": " + error.what());
    } catch (const std::runtime_error& error) {
        throw std::runtime_error("cannot install bundle " + plugin.string() + ": " + error.what());
    }
    return std::make_unique<Bundle>(*this, std::move(description));
}

}  // namespace tovrenna
