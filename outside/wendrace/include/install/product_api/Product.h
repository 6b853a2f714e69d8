#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "install/component_api/Component.h"

namespace install::product_api {

class Product {
public:
    using ComponentList = std::vector<std::shared_ptr<const install::component_api::Component>>;

    Product(std::u16string name, std::set<std::u16string> platforms, ComponentList components)
        : name_(std::move(name)), platforms_(std::move(platforms)), components_(std::move(components)) {}
    virtual ~Product() = default;

    virtual const std::u16string& getName() const { return name_; }
    virtual const std::set<std::u16string>& getPlatforms() const { return platforms_; }
    virtual const ComponentList& getComponents() const { return components_; }

private:
    std::u16string name_;
    std::set<std::u16string> platforms_;
    ComponentList components_;
};

// Products keyed by name.
using ProductMap = std::map<std::u16string, std::shared_ptr<const Product>>;

}  // namespace install::product_api
