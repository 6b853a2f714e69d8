#pragma once

#include <string>

#include "install/product_api/Product.h"

namespace install::transitive_closure::wendrace {

// Reads the products described in a folder (format: FORMAT.md beside this library).
class Wendrace {
public:
    explicit Wendrace(std::u16string folder) : folder_(std::move(folder)) {}

    // Throws std::runtime_error when the folder cannot be read or a file is malformed.
    install::product_api::ProductMap getProductsFromFolder() const;

private:
    std::u16string folder_;
};

}  // namespace install::transitive_closure::wendrace
