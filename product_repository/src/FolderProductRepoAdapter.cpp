#include "FolderProductRepoAdapter.h"

#include <stdexcept>

#include "fl/filesystem/directory_iterator.h"
#include "fl/i18n/conversion.h"
#include "ProductMapKeys.h"

namespace install::harlowen {

namespace fs = fl::filesystem;

FolderProductRepoAdapter::FolderProductRepoAdapter(const std::u16string& folder) : folder_(folder) {
    if (!fs::exists(fs::basic_path(folder_))) {
        throw std::runtime_error("Folder provided (" + fl::i18n::to_string(folder_) + ") does not exist");
    }
}

FolderProductRepoAdapter::~FolderProductRepoAdapter() = default;

ProductMap FolderProductRepoAdapter::getProducts() {
    if (products_.empty()) {
        const auto reader = createWendrace();
        products_ = filterProductsByPlatform(reader->getProductsFromFolder(), u"win64");
    }
    return products_;
}

ComponentLocations FolderProductRepoAdapter::getComponentLocations(const ComponentList& components) {
    ComponentLocations locations;
    for (const auto& component : components) {
        const auto path = getComponentArchivePath(folder_, component);
        if (!fs::exists(path)) throw std::runtime_error(path.string());
        locations.emplace(component->getKey(), path.native());
    }
    return locations;
}

std::vector<std::u16string> FolderProductRepoAdapter::getProductNames() { return productMapKeys(products_); }

bool FolderProductRepoAdapter::hasProducts() { return !products_.empty(); }

std::map<std::string, std::string> FolderProductRepoAdapter::getURLMap(const std::vector<std::u16string>&) {
    return {};
}

std::vector<std::string> FolderProductRepoAdapter::getAvailableLanguageCodes() { return {}; }

void FolderProductRepoAdapter::setProxyCredentials(const std::u16string&, const std::u16string&) {}

std::u16string FolderProductRepoAdapter::getProxyUserName() { return {}; }

std::u16string FolderProductRepoAdapter::getProxyPassword() { return {}; }

fs::basic_path FolderProductRepoAdapter::getComponentArchivePath(
    const std::u16string& folder, std::shared_ptr<const install::component_api::Component> component) {
    const fs::basic_path base(fs::detail::make_native_form(folder));
    const fs::basic_path common = base / fs::basic_path(u"common");
    const std::u16string& archive = component->getArchiveFileName();
    if (!fs::exists(common) || !hasEncryptedArchives(common.native())) return base / fs::basic_path(archive);

    if (archive.find(u"_doc_") != std::u16string::npos) {
        const std::u16string& name = component->getName();
        const std::u16string subFolder = u"doc_" + name.substr(0, name.find(u'_'));
        return base / fs::basic_path(subFolder) / fs::basic_path(archive);
    }
    const auto& platforms = component->getPlatforms();
    if (platforms.size() == 1) return base / fs::basic_path(*platforms.begin()) / fs::basic_path(archive);
    return common / fs::basic_path(archive);
}

std::unique_ptr<install::transitive_closure::wendrace::Wendrace> FolderProductRepoAdapter::createWendrace() {
    return std::make_unique<install::transitive_closure::wendrace::Wendrace>(folder_);
}

ProductMap FolderProductRepoAdapter::filterProductsByPlatform(const ProductMap& products,
                                                              const std::u16string& platform) {
    ProductMap kept;
    for (const auto& [name, product] : products) {
        if (product->getPlatforms().contains(platform)) kept.emplace(name, product);
    }
    return kept;
}

bool FolderProductRepoAdapter::hasEncryptedArchives(const std::u16string& folder) {
    try {
        return fs::directory_iterator(fs::basic_path(folder), fs::tarnel_pattern_string_context(u"*.enc")) !=
               fs::directory_iterator();
    } catch (...) {
        return false;
    }
}

}  // namespace install::harlowen
