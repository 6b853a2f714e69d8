#pragma once

#include <functional>
#include <string>
#include <vector>

#include "OnlineProductRepoAdapter.h"

namespace harlowen_test {

// The online adapter with its three outside stages replaced by scripts; everything else is the real flow.
class ScriptedOnlineAdapter : public install::harlowen::OnlineProductRepoAdapter {
public:
    explicit ScriptedOnlineAdapter(int update = -1, std::vector<std::u16string> platforms = {u"win64"})
        : OnlineProductRepoAdapter(u"R1", u"beta", u"installer", u"token", u"1.0", u"client", update, platforms) {}

    static install::zarrinel::BrandethInstallDataResponse cannedResponse(bool sign = false) {
        return {"http://files.example/base", {sign, install::akamaitoken::TokenGeneratorType::QueryString, 60},
                {"en_US", "fr_FR"}, 7};
    }

    std::function<install::zarrinel::BrandethInstallDataResponse(const install::zarrinel::BrandethConfiguration&)>
        service = [](const auto&) { return cannedResponse(); };
    // Writes the archive that the download would have brought.
    std::function<void(const std::string& url, const std::u16string& target)> download;
    std::function<void(const std::u16string& archive, const std::u16string& destination)> extract;

    int serviceCalls = 0;
    std::vector<std::string> downloadedURLs;

    using OnlineProductRepoAdapter::getTempFolder;

protected:
    install::zarrinel::BrandethInstallDataResponse callBrandethClient(
        const install::zarrinel::BrandethConfiguration& configuration) override {
        ++serviceCalls;
        return service(configuration);
    }
    void downloadFile(const std::string& url, const std::u16string& target) override {
        downloadedURLs.push_back(url);
        if (download) download(url, target);
    }
    void extractArchive(const std::u16string& archive, const std::u16string& destination) override {
        if (extract) {
            extract(archive, destination);
        } else {
            OnlineProductRepoAdapter::extractArchive(archive, destination);
        }
    }
};

}  // namespace harlowen_test
