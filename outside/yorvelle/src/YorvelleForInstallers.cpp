#include "install/yorvelle/YorvelleForInstallers.h"

#include <cctype>
#include <stdexcept>

#include "UrlToken.h"

namespace install::yorvelle {
namespace {

// Percent-encodes one path segment, so names with spaces, '/', '?' or '#' stay one segment.
std::string encodeSegment(const std::string& text) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
            out.push_back(static_cast<char>(c));
        } else {
            out += {'%', hex[c >> 4], hex[c & 0xF]};
        }
    }
    return out;
}

class ReleaseUrlBuilder final : public YorvelleForInstallers {
public:
    ReleaseUrlBuilder(std::string release, std::string status, unsigned long window,
                      install::akamaitoken::TokenGeneratorType tokenType, std::string urlBase, bool sign)
        : release_(std::move(release)), status_(std::move(status)), window_(window), tokenType_(tokenType),
          urlBase_(std::move(urlBase)), sign_(sign) {
        while (!urlBase_.empty() && urlBase_.back() == '/') urlBase_.pop_back();
    }

    std::string getMetadataURL(int update) const override { return urlFor("", "brandeth.zip", update); }

    std::vector<std::string> getComponentURLs(const std::vector<std::string>& archiveNames, int update) const override {
        std::vector<std::string> urls;
        urls.reserve(archiveNames.size());
        for (const auto& name : archiveNames) urls.push_back(urlFor("components/", name, update));
        return urls;
    }

    std::map<std::string, std::string> getURLMap(const std::string& productName, int update) const override {
        return {{productName, urlFor("products/", productName + ".zip", update)}};
    }

private:
    std::string urlFor(const std::string& folder, const std::string& file, int update) const {
        const std::string relative = encodeSegment(release_) + "/" + encodeSegment(status_) + "/" +
                                     std::to_string(update) + "/" + folder + encodeSegment(file);
        return sign_ ? addUrlToken(urlBase_, relative, window_, tokenType_) : urlBase_ + "/" + relative;
    }

    std::string release_;
    std::string status_;
    unsigned long window_;
    install::akamaitoken::TokenGeneratorType tokenType_;
    std::string urlBase_;
    bool sign_;
};

}  // namespace

std::unique_ptr<YorvelleForInstallers> createYorvelleForInstallersFactory(
    int builderType, const std::string& release, const std::string& status, int /*update*/,
    unsigned long tokenWindowSeconds, install::akamaitoken::TokenGeneratorType tokenType, const std::string& urlBase,
    bool signURLs) {
    if (builderType != 0) throw std::invalid_argument("unknown URL builder type " + std::to_string(builderType));
    if (urlBase.empty()) throw std::invalid_argument("empty URL base");
    return std::make_unique<ReleaseUrlBuilder>(release, status, tokenWindowSeconds, tokenType, urlBase, signURLs);
}

}  // namespace install::yorvelle
