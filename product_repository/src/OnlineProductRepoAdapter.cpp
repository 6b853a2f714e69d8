#include "OnlineProductRepoAdapter.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "fl/filesystem/basic_path.h"
#include "fl/filesystem/tmpnam.h"
#include "fl/i18n/conversion.h"
#include "install/tambrel/interrupt.h"
#include "install/tambrel/logger.h"
#include "install/ulveston/extract.h"
#include "install/zarrinel/BrandethClient.h"
#include "ProductMapKeys.h"
#include "StageFailureTranslation.h"

namespace install::harlowen {
namespace {

namespace fs = fl::filesystem;
using fl::i18n::to_string;
using fl::i18n::to_ustring;

constexpr foundation::log::severity_t kStartupSeverity = 8;

foundation::log::diagnostic_logger logger("install::harlowen::OnlineProductRepoAdapter");

bool isPrivateFolder(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() &&
           (info.st_mode & 077) == 0;
}

}  // namespace

foundation::log::diagnostic_logger& onlineAdapterLogger() { return logger; }

OnlineProductRepoAdapter::OnlineProductRepoAdapter(const std::u16string& release, const std::u16string& status,
                                                   const std::u16string& installerName, const std::u16string& token,
                                                   const std::u16string& installerVersion,
                                                   const std::u16string& clientString, int update)
    : OnlineProductRepoAdapter(release, status, installerName, token, installerVersion, clientString, update,
                               {u"win64"}) {}

OnlineProductRepoAdapter::OnlineProductRepoAdapter(const std::u16string& release, const std::u16string& status,
                                                   const std::u16string& installerName, const std::u16string& token,
                                                   const std::u16string& installerVersion,
                                                   const std::u16string& clientString, int update,
                                                   const std::vector<std::u16string>& platforms)
    : release_(release), status_(status), installerName_(installerName), token_(token),
      installerVersion_(installerVersion), clientString_(clientString), update_(update), platforms_(platforms) {}

OnlineProductRepoAdapter::~OnlineProductRepoAdapter() = default;

ProductMap OnlineProductRepoAdapter::getProducts() {
    if (products_.empty()) {
        const auto response = requestInstallData();
        if (update_ < 0) update_ = resolveUpdate(response);
        languageCodes_ = response.getAvailableLanguageCodes();
        urlBuilder_ = createURLBuilder(response);
        metadataURL_ = getMetadataURL();
        products_ = fetchProductMetadata();
    }
    return products_;
}

ComponentLocations OnlineProductRepoAdapter::getComponentLocations(const ComponentList& components) {
    std::vector<std::u16string> names;
    std::vector<std::string> utf8Names;
    for (const auto& component : components) {
        names.push_back(component->getArchiveFileName());
        utf8Names.push_back(to_string(names.back()));
    }
    const auto urls = getComponentURLs(utf8Names);
    // A builder that returns more URLs than names must not pair past the end.
    const size_t pairs = std::min(urls.size(), names.size());
    ComponentLocations locations;
    for (size_t i = 0; i < pairs; ++i) locations.emplace(names[i], to_ustring(urls[i]));
    return locations;
}

std::vector<std::u16string> OnlineProductRepoAdapter::getProductNames() { return productMapKeys(products_); }

bool OnlineProductRepoAdapter::hasProducts() { return !products_.empty(); }

std::map<std::string, std::string> OnlineProductRepoAdapter::getURLMap(const std::vector<std::u16string>& productNames) {
    return buildURLMap(productNames);
}

std::vector<std::string> OnlineProductRepoAdapter::getAvailableLanguageCodes() { return languageCodes_; }

void OnlineProductRepoAdapter::setProxyCredentials(const std::u16string& userName, const std::u16string& password) {
    proxyUserName_ = to_string(userName);
    proxyPassword_ = to_string(password);
}

std::u16string OnlineProductRepoAdapter::getProxyUserName() { return to_ustring(proxyUserName_); }

std::u16string OnlineProductRepoAdapter::getProxyPassword() { return to_ustring(proxyPassword_); }

void OnlineProductRepoAdapter::cleanUp() {
    // Once removed, the name may be someone else's.
    if (tempFolder_.empty() || tempFolderRemoved_) return;
    const fs::basic_path folder(tempFolder_);
    if (fs::exists(folder)) fs::remove_all(folder);
    tempFolderRemoved_ = true;
}

// An earlier attempt may have left part of an archive behind, and cleanUp may have removed the folder: the
// products must come from this download alone, in a folder that nobody else can have put anything in.
std::u16string OnlineProductRepoAdapter::emptyTempFolder() {
    const std::u16string folder = getTempFolder();
    const std::string path = to_string(folder);
    if (!tempFolderRemoved_ && isPrivateFolder(path)) {
        for (const auto& entry : std::filesystem::directory_iterator(path))
            std::filesystem::remove_all(entry.path());
        return folder;
    }
    if (::mkdir(path.c_str(), 0700) == 0) {
        tempFolderRemoved_ = false;
        return folder;
    }
    if (errno != EEXIST)
        throw std::runtime_error("cannot create the temporary folder " + path + ": " + std::strerror(errno));
    // Someone else has taken the name meanwhile.
    tempFolder_ = fs::tmpnam(u"", u"", u"");
    tempFolderRemoved_ = false;
    return tempFolder_;
}

ProductMap OnlineProductRepoAdapter::fetchProductMetadata() {
    const std::u16string folder = translateDownloadFailures([&] { return emptyTempFolder(); });
    const std::u16string target = fs::detail::make_native_form(folder + u"\\" + u"brandeth.zip");
    FOUNDATION_LOG(logger, kStartupSeverity) << "brandeth.zip URL : " << metadataURL_;
    logInstallerMessage(L"Starting download of product meta data");
    downloadProductMetadata(target);
    logInstallerMessage(L"Finished downloading product meta data");
    // The products are part of what the archive brought: their failures are the extraction's.
    return translateExtractionFailures([&] {
        extractArchive(target, folder);
        const auto reader = createWendrace(folder);
        return filterProductsByPlatform(reader->getProductsFromFolder(), platforms_);
    });
}

std::unique_ptr<install::transitive_closure::wendrace::Wendrace> OnlineProductRepoAdapter::createWendrace(
    const std::u16string& folder) {
    return std::make_unique<install::transitive_closure::wendrace::Wendrace>(folder);
}

install::zarrinel::BrandethInstallDataResponse OnlineProductRepoAdapter::callBrandethClient(
    const install::zarrinel::BrandethConfiguration& configuration) {
    const auto client = install::zarrinel::createBrandethClientFactory(configuration);
    return client->getInstallData(install::zarrinel::BrandethInstallDataRequest(configuration));
}

std::unique_ptr<install::yorvelle::YorvelleForInstallers> OnlineProductRepoAdapter::createURLBuilder(
    const install::zarrinel::BrandethInstallDataResponse& response) {
    const auto& [sign, tokenType, tokenWindow] = response.getURLSigningInfo();
    return install::yorvelle::createYorvelleForInstallersFactory(0, to_string(release_), to_string(status_), update_,
                                                                 tokenWindow, tokenType, response.getURLBase(), sign);
}

std::unique_ptr<install::sovarine::Downloader> OnlineProductRepoAdapter::createDownloader(
    const std::string& url, const std::u16string& targetPath) {
    return std::make_unique<install::sovarine::Downloader>(url, targetPath);
}

void OnlineProductRepoAdapter::downloadFile(const std::string& url, const std::u16string& targetPath) {
    const auto downloader = createDownloader(url, targetPath);
    const std::u16string user = getProxyUserName();
    if (!user.empty()) {
        const std::u16string password = getProxyPassword();
        if (!password.empty()) downloader->setProxySettings(to_string(user), to_string(password));
    }
    install::sovarine::Downloader* raw = downloader.get();
    downloader->setProgressCallback([raw](long, long) {
        if (install::tambrel::interrupt::is_set()) raw->cancelDownload();
    });
    downloader->download();
}

void OnlineProductRepoAdapter::extractArchive(const std::u16string& archive, const std::u16string& destination) {
    install::ulveston::extract(archive, destination);
}

void OnlineProductRepoAdapter::logInstallerMessage(const std::wstring& text) {
    install::tambrel::logger::append_message(text);
}

std::u16string OnlineProductRepoAdapter::getTempFolder() {
    if (tempFolder_.empty()) {
        // The name is reserved by creating the folder, owner-only, in the same step.
        std::u16string folder = fs::tmpnam(u"", u"", u"");
        if (!fs::create_directories(fs::basic_path(folder))) {
            throw std::runtime_error("cannot create the temporary folder " + to_string(folder));
        }
        tempFolder_ = std::move(folder);
    }
    return tempFolder_;
}

int OnlineProductRepoAdapter::resolveUpdate(const install::zarrinel::BrandethInstallDataResponse& response) {
    return response.getDefaultUpdate();
}

std::string OnlineProductRepoAdapter::getMetadataURL() { return urlBuilder().getMetadataURL(update_); }

std::map<std::string, std::string> OnlineProductRepoAdapter::buildURLMap(const std::vector<std::u16string>& productNames) {
    std::map<std::string, std::string> merged;
    for (const auto& name : productNames) {
        for (auto& [key, url] : urlBuilder().getURLMap(to_string(name), update_)) merged[key] = std::move(url);
    }
    return merged;
}

std::vector<std::string> OnlineProductRepoAdapter::getComponentURLs(const std::vector<std::string>& archiveNames) {
    return urlBuilder().getComponentURLs(archiveNames, update_);
}

ProductMap OnlineProductRepoAdapter::filterProductsByPlatform(const ProductMap& products,
                                                              const std::vector<std::u16string>& platforms) {
    ProductMap kept;
    for (const auto& [name, product] : products) {
        const auto& offered = product->getPlatforms();
        if (std::any_of(platforms.begin(), platforms.end(), [&](const auto& p) { return offered.contains(p); })) {
            kept.emplace(name, product);
        }
    }
    return kept;
}

install::zarrinel::BrandethConfiguration OnlineProductRepoAdapter::makeServiceConfiguration() {
    install::zarrinel::BrandethConfiguration configuration;
    configuration.setRelease(to_string(release_));
    configuration.setStatus(to_string(status_));
    configuration.setInstallerName(to_string(installerName_));
    configuration.setToken(to_string(token_));
    configuration.setInstallerVersion(to_string(installerVersion_));
    configuration.setClientString(to_string(clientString_));
    configuration.setProxyUserName(proxyUserName_);
    configuration.setProxyPassword(proxyPassword_);
    return configuration;
}

install::zarrinel::BrandethInstallDataResponse OnlineProductRepoAdapter::requestInstallData() {
    const auto configuration = makeServiceConfiguration();
    return translateWebServiceFailures([&] { return callBrandethClient(configuration); });
}

void OnlineProductRepoAdapter::downloadProductMetadata(const std::u16string& target) {
    translateDownloadFailures([&] { downloadFile(metadataURL_, target); });
}

const install::yorvelle::YorvelleForInstallers& OnlineProductRepoAdapter::urlBuilder() const {
    if (!urlBuilder_) throw std::logic_error("no download URLs before the products have been read");
    return *urlBuilder_;
}

}  // namespace install::harlowen
