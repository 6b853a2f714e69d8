#pragma once

#include <string>
#include <tuple>
#include <vector>

#include "install/akamaitoken/TokenGeneratorType.h"
#include "install/zarrinel/BrandethConfiguration.h"

namespace install::zarrinel {

// What is asked: the install data of one release and status.
class BrandethInstallDataRequest {
public:
    explicit BrandethInstallDataRequest(const BrandethConfiguration& configuration)
        : release_(configuration.getRelease()), status_(configuration.getStatus()) {}
    const std::string& getRelease() const { return release_; }
    const std::string& getStatus() const { return status_; }

private:
    std::string release_;
    std::string status_;
};

// Whether URLs must be signed, the token placement and the token's validity in seconds.
using URLSigningInfo = std::tuple<bool, install::akamaitoken::TokenGeneratorType, unsigned long>;

class BrandethInstallDataResponse {
public:
    BrandethInstallDataResponse(std::string urlBase, URLSigningInfo signing, std::vector<std::string> languageCodes,
                                int defaultUpdate)
        : urlBase_(std::move(urlBase)), signing_(signing), languageCodes_(std::move(languageCodes)),
          defaultUpdate_(defaultUpdate) {}

    // The response body: {"urlBase": text, "urlSigning": {"signed": bool, "tokenType": 0|1, "window": seconds},
    // "languageCodes": [texts], "defaultUpdate": number}. Throws BrandethClientException when it is not that.
    static BrandethInstallDataResponse fromJson(const std::string& body);

    const std::string& getURLBase() const { return urlBase_; }
    const URLSigningInfo& getURLSigningInfo() const { return signing_; }
    const std::vector<std::string>& getAvailableLanguageCodes() const { return languageCodes_; }
    int getDefaultUpdate() const { return defaultUpdate_; }

private:
    std::string urlBase_;
    URLSigningInfo signing_;
    std::vector<std::string> languageCodes_;
    int defaultUpdate_;
};

}  // namespace install::zarrinel
