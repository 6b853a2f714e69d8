#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "tovrenna/Bundle.h"

namespace tovrenna {

// The host's component runtime: a registry of services by interface name, and the bundles installed
// from their manifests.
class Framework {
public:
    // Install paths in manifests are taken relative to the root.
    explicit Framework(std::filesystem::path installRoot);

    template <class Interface>
    void registerService(const std::string& interfaceName, std::shared_ptr<Interface> service) {
        services_[interfaceName] = std::static_pointer_cast<void>(std::move(service));
    }
    // Null when nothing is registered under the name.
    std::shared_ptr<void> findService(const std::string& interfaceName) const;

    // Reads the manifest, loads the bundle's library and hands it its context; throws
    // std::runtime_error naming what is wrong with the manifest or the library.
    std::unique_ptr<Bundle> installBundle(const std::filesystem::path& manifestPath);

private:
    std::filesystem::path installRoot_;
    std::map<std::string, std::shared_ptr<void>> services_;
};

}  // namespace tovrenna
