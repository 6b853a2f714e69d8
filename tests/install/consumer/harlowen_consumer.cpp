// Lists the products of a folder holding one product file.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "install/harlowen/ProductRepoAdapterFactories.h"

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "alpha.product.json") << R"({"name": "alpha", "platforms": ["win64"]})";

    const auto adapter = install::harlowen::createFolderProductRepoAdapter(folder.u16string());
    const auto products = adapter->getProducts();
    if (products.size() != 1 || !products.contains(u"alpha")) {
        std::fprintf(stderr, "expected the one product alpha, got %zu products\n", products.size());
        return 1;
    }
    return 0;
}
