#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "foundation/log/diagnostic_logger.h"
#include "install/harlowen/ProductRepoAdapter.h"
#include "install/sovarine/Downloader.h"
#include "install/transitive_closure/wendrace/Wendrace.h"
#include "install/yorvelle/YorvelleForInstallers.h"
#include "install/zarrinel/BrandethConfiguration.h"
#include "install/zarrinel/BrandethInstallData.h"

namespace install::harlowen {

// Products from the download web service: install data, then the product metadata archive, downloaded
// into a temporary folder, extracted and read there.
class OnlineProductRepoAdapter : public ProductRepoAdapter {
public:
    OnlineProductRepoAdapter(const std::u16string& release, const std::u16string& status,
                             const std::u16string& installerName, const std::u16string& token,
                             const std::u16string& installerVersion, const std::u16string& clientString, int update);
    // For the download-only workflow: products of the given platforms.
    OnlineProductRepoAdapter(const std::u16string& release, const std::u16string& status,
                             const std::u16string& installerName, const std::u16string& token,
                             const std::u16string& installerVersion, const std::u16string& clientString, int update,
                             const std::vector<std::u16string>& platforms);
    ~OnlineProductRepoAdapter() override;

    ProductMap getProducts() override;
    ComponentLocations getComponentLocations(const ComponentList& components) override;
    std::vector<std::u16string> getProductNames() override;
    bool hasProducts() override;
    std::map<std::string, std::string> getURLMap(const std::vector<std::u16string>& productNames) override;
    std::vector<std::string> getAvailableLanguageCodes() override;
    void setProxyCredentials(const std::u16string& userName, const std::u16string& password) override;
    std::u16string getProxyUserName() override;
    std::u16string getProxyPassword() override;
    void cleanUp() override;

protected:
    virtual ProductMap fetchProductMetadata();
    virtual std::unique_ptr<install::transitive_closure::wendrace::Wendrace> createWendrace(const std::u16string& folder);
    virtual install::zarrinel::BrandethInstallDataResponse callBrandethClient(
        const install::zarrinel::BrandethConfiguration& configuration);
    virtual std::unique_ptr<install::yorvelle::YorvelleForInstallers> createURLBuilder(
        const install::zarrinel::BrandethInstallDataResponse& response);
    virtual std::unique_ptr<install::sovarine::Downloader> createDownloader(const std::string& url,
                                                                           const std::u16string& targetPath);
    virtual void downloadFile(const std::string& url, const std::u16string& targetPath);
    virtual void extractArchive(const std::u16string& archive, const std::u16string& destination);
    virtual void logInstallerMessage(const std::wstring& text);
    virtual std::u16string getTempFolder();
    virtual int resolveUpdate(const install::zarrinel::BrandethInstallDataResponse& response);
    virtual std::string getMetadataURL();
    virtual std::map<std::string, std::string> buildURLMap(const std::vector<std::u16string>& productNames);
    virtual std::vector<std::string> getComponentURLs(const std::vector<std::string>& archiveNames);
    virtual ProductMap filterProductsByPlatform(const ProductMap& products, const std::vector<std::u16string>& platforms);
    virtual install::zarrinel::BrandethConfiguration makeServiceConfiguration();

private:
    install::zarrinel::BrandethInstallDataResponse requestInstallData();
    void downloadProductMetadata(const std::u16string& target);
    // The temporary folder, emptied, or re-made owner-only when cleanUp removed it.
    std::u16string emptyTempFolder();
    // The builder exists only after a getProducts call got the install data.
    const install::yorvelle::YorvelleForInstallers& urlBuilder() const;

    std::string metadataURL_;
    std::u16string release_;
    std::u16string status_;
    std::u16string installerName_;
    std::u16string token_;
    std::u16string installerVersion_;
    std::u16string clientString_;
    int update_;
    std::string proxyUserName_;
    std::string proxyPassword_;
    std::vector<std::string> languageCodes_;
    std::unique_ptr<install::yorvelle::YorvelleForInstallers> urlBuilder_;
    std::vector<std::u16string> platforms_;
    std::u16string tempFolder_;
    bool tempFolderRemoved_ = false;
};

// The adapter's diagnostic channel, "install::harlowen::OnlineProductRepoAdapter".
foundation::log::diagnostic_logger& onlineAdapterLogger();

}  // namespace install::harlowen
