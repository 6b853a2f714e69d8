#pragma once

#include <memory>
#include <string>

#include "fl/filesystem/basic_path.h"
#include "install/harlowen/ProductRepoAdapter.h"
#include "install/transitive_closure/wendrace/Wendrace.h"

namespace install::harlowen {

// Products from a folder of product archives already on disk.
class FolderProductRepoAdapter : public ProductRepoAdapter {
public:
    // Throws std::runtime_error when the folder does not exist.
    explicit FolderProductRepoAdapter(const std::u16string& folder);
    ~FolderProductRepoAdapter() override;

    ProductMap getProducts() override;
    ComponentLocations getComponentLocations(const ComponentList& components) override;
    std::vector<std::u16string> getProductNames() override;
    bool hasProducts() override;
    std::map<std::string, std::string> getURLMap(const std::vector<std::u16string>& productNames) override;
    std::vector<std::string> getAvailableLanguageCodes() override;
    void setProxyCredentials(const std::u16string& userName, const std::u16string& password) override;
    std::u16string getProxyUserName() override;
    std::u16string getProxyPassword() override;

protected:
    // The local layout rule for where a component's archive lies below the folder.
    virtual fl::filesystem::basic_path getComponentArchivePath(
        const std::u16string& folder, std::shared_ptr<const install::component_api::Component> component);
    virtual std::unique_ptr<install::transitive_closure::wendrace::Wendrace> createWendrace();
    virtual ProductMap filterProductsByPlatform(const ProductMap& products, const std::u16string& platform);
    virtual bool hasEncryptedArchives(const std::u16string& folder);

private:
    std::u16string folder_;
};

}  // namespace install::harlowen
