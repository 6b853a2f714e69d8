#include "tovrenna/Framework.h"

#include <fstream>
#include <nlohmann/json.hpp>
#include <stdexcept>

namespace tovrenna {
namespace {

Bundle::Description describe(const nlohmann::json& manifest, const std::filesystem::path& installRoot) {
    Bundle::Description description;
    description.symbolicName = manifest.at("bundle.symbolic_name").get<std::string>();
    description.libraryPath = (installRoot / manifest.at("zq").at("installpath").get<std::string>()).string();
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
    return description;
}

}  // namespace

Framework::Framework(std::filesystem::path installRoot) : installRoot_(std::move(installRoot)) {}

std::shared_ptr<void> Framework::findService(const std::string& interfaceName) const {
    auto found = services_.find(interfaceName);
    return found == services_.end() ? nullptr : found->second;
}

std::unique_ptr<Bundle> Framework::installBundle(const std::filesystem::path& manifestPath) {
    std::ifstream in(manifestPath);
    if (!in) throw std::runtime_error("cannot read bundle manifest " + manifestPath.string());
    Bundle::Description description;
    try {
        description = describe(nlohmann::json::parse(in), installRoot_);
    } catch (const nlohmann::json::exception& error) {
        throw std::runtime_error("bad bundle manifest " + manifestPath.string() + ": " + error.what());
    }
    return std::make_unique<Bundle>(*this, std::move(description));
}

}  // namespace tovrenna
