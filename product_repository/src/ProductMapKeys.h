#pragma once

#include <string>
#include <vector>

#include "install/harlowen/ProductRepoAdapter.h"

namespace install::harlowen {

// The product names in key order.
inline std::vector<std::u16string> productMapKeys(const ProductMap& products) {
    std::vector<std::u16string> names;
    names.reserve(products.size());
    for (const auto& entry : products) names.push_back(entry.first);
    return names;
}

}  // namespace install::harlowen
