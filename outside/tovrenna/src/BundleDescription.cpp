#include "BundleDescription.h"

#include <nlohmann/json.hpp>
#include <stdexcept>

#include "ManifestArchive.h"

namespace tovrenna {
namespace {

std::vector<std::string> startTriggerChannels(const nlohmann::json& component) {
    const auto pointer = "/properties/zq/embeddedConnector/startTriggers/messageServiceChannels"_json_pointer;
    if (!component.contains(pointer)) return {};
    return component.at(pointer).get<std::vector<std::string>>();
}

}  // namespace

Bundle::Description describeBundle(const std::string& resources, const std::filesystem::path& plugin) {
    const auto archived = unpackManifest(resources);
    const auto manifest = nlohmann::json::parse(archived.text);
    Bundle::Description description;
    description.symbolicName = manifest.at("bundle.symbolic_name").get<std::string>();
    if (archived.path != description.symbolicName + "/manifest.json") {
        throw std::runtime_error("the manifest of " + description.symbolicName + " is filed as " + archived.path);
    }
    // A bare file name would send the loader searching the library path instead.
    description.libraryPath = std::filesystem::absolute(plugin).string();
    const auto& components = manifest.at("scr").at("components");
    if (components.size() != 1) throw std::runtime_error("a bundle declares exactly one component");
    const auto& component = components.at(0);
    if (!component.at("inject-references").get<bool>()) {
        throw std::runtime_error("only components with injected references are supported");
    }
    description.implementationClass = component.at("implementation-class").get<std::string>();
    for (const auto& reference : component.value("references", nlohmann::json::array())) {
        description.references.push_back(
            {reference.at("name").get<std::string>(), reference.at("interface").get<std::string>()});
    }
    description.startTriggerChannels = startTriggerChannels(component);
    return description;
}

}  // namespace tovrenna
