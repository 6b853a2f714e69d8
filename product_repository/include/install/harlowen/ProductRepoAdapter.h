#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "install/component_api/Component.h"
#include "install/product_api/Product.h"

namespace install::harlowen {

using ProductMap = install::product_api::ProductMap;
using ComponentList = std::vector<std::shared_ptr<const install::component_api::Component>>;
// Component key to the place of its archive (a path or a URL).
using ComponentLocations = std::map<std::u16string, std::u16string>;

// Which products of a release can be installed, and where their component archives are.
class ProductRepoAdapter {
public:
    virtual ~ProductRepoAdapter() = default;

    virtual ProductMap getProducts() = 0;
    virtual ComponentLocations getComponentLocations(const ComponentList& components) = 0;
    virtual std::vector<std::u16string> getProductNames() = 0;
    // Only what earlier getProducts calls found; never reads anything itself.
    virtual bool hasProducts() = 0;
    virtual std::map<std::string, std::string> getURLMap(const std::vector<std::u16string>& productNames) = 0;
    virtual std::vector<std::string> getAvailableLanguageCodes() = 0;
    virtual void setProxyCredentials(const std::u16string& userName, const std::u16string& password) = 0;
    virtual std::u16string getProxyUserName() = 0;
    virtual std::u16string getProxyPassword() = 0;
    virtual void cleanUp() {}

protected:
    ProductMap products_;
};

}  // namespace install::harlowen
