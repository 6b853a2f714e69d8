#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "install/akamaitoken/TokenGeneratorType.h"

namespace install::yorvelle {

// Builds the download URLs of one release: <base>/<release>/<status>/<update>/<file>.
class YorvelleForInstallers {
public:
    virtual ~YorvelleForInstallers() = default;
    // The product metadata archive.
    virtual std::string getMetadataURL(int update) const = 0;
    // One URL per component archive file name, in the same order.
    virtual std::vector<std::string> getComponentURLs(const std::vector<std::string>& archiveNames, int update) const = 0;
    // The URLs of one product, keyed by what they point at.
    virtual std::map<std::string, std::string> getURLMap(const std::string& productName, int update) const = 0;
};

// builderType 0 is the only builder; others throw std::invalid_argument, as does an empty URL base.
// When signURLs is set every URL carries a token valid for tokenWindowSeconds.
std::unique_ptr<YorvelleForInstallers> createYorvelleForInstallersFactory(
    int builderType, const std::string& release, const std::string& status, int update,
    unsigned long tokenWindowSeconds, install::akamaitoken::TokenGeneratorType tokenType, const std::string& urlBase,
    bool signURLs);

}  // namespace install::yorvelle
