#include "install/transitive_closure/wendrace/Wendrace.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "fl/i18n/conversion.h"

namespace install::transitive_closure::wendrace {
namespace {

using install::component_api::Component;
using install::product_api::Product;
using nlohmann::json;

constexpr std::string_view kSuffix = ".product.json";

std::u16string text(const json& object, const char* key) { return fl::i18n::to_ustring(object.at(key).get<std::string>()); }

std::set<std::u16string> platformsOf(const json& object) {
    std::set<std::u16string> platforms;
    if (object.contains("platforms")) {
        for (const auto& platform : object.at("platforms")) platforms.insert(fl::i18n::to_ustring(platform.get<std::string>()));
    }
    return platforms;
}

std::shared_ptr<const Product> readProduct(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read product file " + file.string());
    try {
        const json document = json::parse(in);
        Product::ComponentList components;
        if (document.contains("components")) {
            for (const auto& component : document.at("components")) {
                components.push_back(std::make_shared<const Component>(
                    text(component, "key"), text(component, "name"), text(component, "archive"), platformsOf(component)));
            }
        }
        auto name = text(document, "name");
        if (name.empty()) throw std::runtime_error("empty product name");
        return std::make_shared<const Product>(std::move(name), platformsOf(document), std::move(components));
    } catch (const std::exception& error) {
        throw std::runtime_error("malformed product file " + file.string() + ": " + error.what());
    }
}

}  // namespace

install::product_api::ProductMap Wendrace::getProductsFromFolder() const {
    const std::filesystem::path folder(fl::i18n::to_string(folder_));
    std::vector<std::filesystem::path> files;
    try {
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            const std::string name = entry.path().filename().string();
            if (entry.is_regular_file() && name.size() > kSuffix.size() && name.ends_with(kSuffix)) {
                files.push_back(entry.path());
            }
        }
    } catch (const std::filesystem::filesystem_error& error) {
        throw std::runtime_error("cannot read product folder " + folder.string() + ": " + error.what());
    }
    std::sort(files.begin(), files.end());
    install::product_api::ProductMap products;
    for (const auto& file : files) {
        auto product = readProduct(file);
        products[product->getName()] = std::move(product);
    }
    return products;
}

}  // namespace install::transitive_closure::wendrace
