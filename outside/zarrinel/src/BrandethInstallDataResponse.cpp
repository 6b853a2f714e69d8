#include <cctype>

#include <nlohmann/json.hpp>

#include "install/zarrinel/BrandethClientExceptions.h"
#include "install/zarrinel/BrandethInstallData.h"

namespace install::zarrinel {
namespace {

// Files are fetched from the URL base, so it must be a web address: nothing local, nothing empty.
std::string webAddress(const nlohmann::json& value) {
    const auto text = value.get<std::string>();
    std::string scheme = text.substr(0, text.find("://"));
    for (char& c : scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const bool web = (scheme == "http" || scheme == "https") && text.size() > scheme.size() + 3;
    if (!web) throw BrandethClientException("the install data has no usable URL base: \"" + text + "\"");
    return text;
}

}  // namespace

BrandethInstallDataResponse BrandethInstallDataResponse::fromJson(const std::string& body) {
    try {
        const auto json = nlohmann::json::parse(body);
        const auto& signing = json.at("urlSigning");
        const int tokenType = signing.at("tokenType").get<int>();
        if (tokenType != 0 && tokenType != 1) throw BrandethClientException("unknown token type");
        return BrandethInstallDataResponse(
            webAddress(json.at("urlBase")),
            URLSigningInfo(signing.at("signed").get<bool>(),
                           static_cast<install::akamaitoken::TokenGeneratorType>(tokenType),
                           signing.at("window").get<unsigned long>()),
            json.at("languageCodes").get<std::vector<std::string>>(), json.at("defaultUpdate").get<int>());
    } catch (const nlohmann::json::exception& error) {
        throw BrandethClientException(std::string("malformed install data: ") + error.what());
    }
}

}  // namespace install::zarrinel
