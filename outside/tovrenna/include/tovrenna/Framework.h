#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tovrenna/Bundle.h"

namespace tovrenna {

// The host's component runtime: a registry of services by interface name, and the bundles installed
// from their plug-in files.
class Framework {
public:
    template <class Interface>
    void registerService(const std::string& interfaceName, std::shared_ptr<Interface> service) {
        services_[interfaceName] = std::static_pointer_cast<void>(std::move(service));
    }
    // Null when nothing is registered under the name.
    std::shared_ptr<void> findService(const std::string& interfaceName) const;

    // How the host watches the message-service channels that components name as start triggers.
    void watchStartTriggersWith(Bundle::ChannelWatch watch) { channelWatch_ = std::move(watch); }
    const Bundle::ChannelWatch& channelWatch() const { return channelWatch_; }

    // Reads the manifest from the zip archive in the plug-in's resource section, then loads the
    // plug-in and hands it its context. Throws std::runtime_error naming the plug-in and what is
    // wrong with it; a refused bundle leaves the framework as it was.
    std::unique_ptr<Bundle> installBundle(const std::filesystem::path& plugin);

private:
    std::map<std::string, std::shared_ptr<void>> services_;
    Bundle::ChannelWatch channelWatch_;
};

}  // namespace tovrenna
