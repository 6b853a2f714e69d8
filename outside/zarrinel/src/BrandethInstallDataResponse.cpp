#include <nlohmann/json.hpp>

#include "install/zarrinel/BrandethClientExceptions.h"
#include "install/zarrinel/BrandethInstallData.h"

namespace install::zarrinel {

BrandethInstallDataResponse BrandethInstallDataResponse::fromJson(const std::string& body) {
    try {
        const auto json = nlohmann::json::parse(body);
        const auto& signing = json.at("urlSigning");
        const int tokenType = signing.at("tokenType").get<int>();
        if (tokenType != 0 && tokenType != 1) throw BrandethClientException("unknown token type");
        return BrandethInstallDataResponse(
            json.at("urlBase").get<std::string>(),
            URLSigningInfo(signing.at("signed").get<bool>(),
                           static_cast<install::akamaitoken::TokenGeneratorType>(tokenType),
                           signing.at("window").get<unsigned long>()),
            json.at("languageCodes").get<std::vector<std::string>>(), json.at("defaultUpdate").get<int>());
    } catch (const nlohmann::json::exception& error) {
        throw BrandethClientException(std::string("malformed install data: ") + error.what());
    }
}

}  // namespace install::zarrinel
