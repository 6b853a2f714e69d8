#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "ArchiveBuilder.h"
#include "ScriptedOnlineAdapter.h"
#include "fl/i18n/conversion.h"
#include "foundation/log/testing.h"
#include "install/harlowen/RepoAdapterExceptions.h"
#include "install/tambrel/testing.h"
#include "install/ulveston/extract.h"

using harlowen_test::ArchiveEntry;
using harlowen_test::productJson;
using harlowen_test::ScriptedOnlineAdapter;
using install::component_api::Component;

namespace {

std::filesystem::path asPath(const std::u16string& text) { return fl::i18n::to_string(text); }

const std::vector<ArchiveEntry> kMetadata{
    {"alpha.product.json", productJson("alpha", {"win64"})},
    {"beta.product.json", productJson("beta", {"mac"})},
    {"gamma.product.json", productJson("gamma", {"linux", "mac"})},
};

class OnlineAdapter : public ::testing::Test {
protected:
    void serveMetadata(ScriptedOnlineAdapter& adapter) {
        adapter.download = [](const std::string&, const std::u16string& target) {
            harlowen_test::writeArchive(asPath(target), kMetadata);
        };
    }
    void TearDown() override {
        for (auto& adapter : adapters) adapter->cleanUp();
    }
    ScriptedOnlineAdapter& make(int update = -1, std::vector<std::u16string> platforms = {u"win64"}) {
        adapters.push_back(std::make_unique<ScriptedOnlineAdapter>(update, std::move(platforms)));
        serveMetadata(*adapters.back());
        return *adapters.back();
    }
    std::vector<std::unique_ptr<ScriptedOnlineAdapter>> adapters;
};

TEST_F(OnlineAdapter, ReadsWin64ProductsOnceAndKeepsThem) {
    auto& adapter = make();
    EXPECT_FALSE(adapter.hasProducts());
    const auto products = adapter.getProducts();
    ASSERT_EQ(products.size(), 1u);
    EXPECT_TRUE(products.contains(u"alpha"));
    EXPECT_EQ(adapter.getAvailableLanguageCodes(), (std::vector<std::string>{"en_US", "fr_FR"}));
    EXPECT_EQ(adapter.getProducts().size(), 1u);
    EXPECT_EQ(adapter.serviceCalls, 1);
    EXPECT_EQ(adapter.downloadedURLs.size(), 1u);
}

TEST_F(OnlineAdapter, NegativeUpdateTakesTheServiceDefaultOthersAreKept) {
    auto& byDefault = make(-1);
    byDefault.getProducts();
    EXPECT_EQ(byDefault.downloadedURLs.at(0), "http://files.example/base/R1/beta/7/brandeth.zip");
    auto& zero = make(0);
    zero.getProducts();
    EXPECT_EQ(zero.downloadedURLs.at(0), "http://files.example/base/R1/beta/0/brandeth.zip");
}

TEST_F(OnlineAdapter, DownloadOnlyWorkflowKeepsProductsOfAnyListedPlatform) {
    auto& adapter = make(3, {u"mac", u"linux"});
    EXPECT_EQ(adapter.getProductNames(), std::vector<std::u16string>{});
    adapter.getProducts();
    EXPECT_EQ(adapter.getProductNames(), (std::vector<std::u16string>{u"beta", u"gamma"}));
}

TEST_F(OnlineAdapter, SendsItsTextsAsUtf8InTheServiceConfiguration) {
    auto& adapter = make();
    adapter.setProxyCredentials(u"j\u00fcrgen", u"p\u00e4ss");
    install::zarrinel::BrandethConfiguration seen;
    adapter.service = [&](const auto& configuration) {
        seen = configuration;
        return ScriptedOnlineAdapter::cannedResponse();
    };
    adapter.getProducts();
    EXPECT_EQ(seen.getRelease(), "R1");
    EXPECT_EQ(seen.getStatus(), "beta");
    EXPECT_EQ(seen.getInstallerName(), "installer");
    EXPECT_EQ(seen.getToken(), "token");
    EXPECT_EQ(seen.getInstallerVersion(), "1.0");
    EXPECT_EQ(seen.getClientString(), "client");
    EXPECT_EQ(seen.getProxyUserName(), "j\xc3\xbcrgen");
    EXPECT_EQ(seen.getProxyPassword(), "p\xc3\xa4ss");
    EXPECT_EQ(adapter.getProxyUserName(), u"j\u00fcrgen");
}

TEST_F(OnlineAdapter, AFailureLeavesNothingSoTheNextCallStartsAgain) {
    auto& adapter = make();
    adapter.extract = [](const auto&, const auto&) { throw std::runtime_error("damaged"); };
    EXPECT_THROW(adapter.getProducts(), install::harlowen::RepoAdapterBrandethExtractException);
    EXPECT_FALSE(adapter.hasProducts());
    adapter.extract = nullptr;
    EXPECT_EQ(adapter.getProducts().size(), 1u);
    EXPECT_EQ(adapter.serviceCalls, 2);
}

TEST_F(OnlineAdapter, ARetryReadsOnlyItsOwnDownloadEvenAfterCleanUp) {
    auto& adapter = make();
    adapter.download = [](const std::string&, const std::u16string& target) {
        harlowen_test::writeArchive(asPath(target), {{"stale.product.json", productJson("stale", {"win64"})}});
    };
    adapter.extract = [](const std::u16string& archive, const std::u16string& destination) {
        install::ulveston::extract(archive, destination);
        throw std::runtime_error("broke off after the first entry");
    };
    EXPECT_THROW(adapter.getProducts(), install::harlowen::RepoAdapterBrandethExtractException);

    adapter.extract = nullptr;
    serveMetadata(adapter);
    EXPECT_EQ(adapter.getProductNames(), std::vector<std::u16string>{});
    EXPECT_EQ(adapter.getProducts().size(), 1u);
    EXPECT_EQ(adapter.getProductNames(), std::vector<std::u16string>{u"alpha"});

    auto& again = make();
    again.download = [](const auto&, const auto&) { throw std::runtime_error("offline"); };
    EXPECT_THROW(again.getProducts(), install::harlowen::RepoAdapterBrandethDownloadException);
    again.cleanUp();
    serveMetadata(again);
    EXPECT_EQ(again.getProducts().size(), 1u);
    struct stat info {};
    ASSERT_EQ(::stat(asPath(again.getTempFolder()).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST_F(OnlineAdapter, ComponentLocationsPairArchiveNamesWithTheirURLs) {
    auto& adapter = make(4);
    const std::vector<std::shared_ptr<const Component>> components{
        std::make_shared<const Component>(u"k1", u"core", u"core.zip", std::set<std::u16string>{u"win64"}),
        std::make_shared<const Component>(u"k2", u"doc", u"doc.zip", std::set<std::u16string>{}),
    };
    EXPECT_THROW(adapter.getComponentLocations(components), std::logic_error);
    adapter.getProducts();
    const auto locations = adapter.getComponentLocations(components);
    ASSERT_EQ(locations.size(), 2u);
    EXPECT_EQ(locations.at(u"core.zip"), u"http://files.example/base/R1/beta/4/components/core.zip");
    EXPECT_EQ(locations.at(u"doc.zip"), u"http://files.example/base/R1/beta/4/components/doc.zip");
}

TEST_F(OnlineAdapter, URLMapMergesTheMapsOfEveryName) {
    auto& adapter = make(2);
    EXPECT_THROW(adapter.getURLMap({u"alpha"}), std::logic_error);
    adapter.getProducts();
    const auto map = adapter.getURLMap({u"alpha", u"beta", u"alpha"});
    ASSERT_EQ(map.size(), 2u);
    EXPECT_EQ(map.at("beta"), "http://files.example/base/R1/beta/2/products/beta.zip");
}

TEST_F(OnlineAdapter, SignedURLsCarryAToken) {
    auto& adapter = make(1);
    adapter.service = [](const auto&) { return ScriptedOnlineAdapter::cannedResponse(true); };
    adapter.getProducts();
    EXPECT_EQ(adapter.downloadedURLs.at(0).rfind("http://files.example/base/R1/beta/1/brandeth.zip?token=exp=", 0), 0u);
}

TEST_F(OnlineAdapter, TempFolderIsPrivateStableAndRemovedByCleanUp) {
    auto& adapter = make();
    adapter.cleanUp();  // nothing yet: must not fail
    const std::u16string folder = adapter.getTempFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(adapter.getTempFolder(), folder);
    struct stat info {};
    ASSERT_EQ(::stat(asPath(folder).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    adapter.getProducts();
    EXPECT_TRUE(std::filesystem::exists(asPath(folder) / "brandeth.zip"));
    EXPECT_TRUE(std::filesystem::exists(asPath(folder) / "alpha.product.json"));
    adapter.cleanUp();
    EXPECT_FALSE(std::filesystem::exists(asPath(folder)));
    EXPECT_EQ(adapter.getTempFolder(), folder);
    EXPECT_FALSE(std::filesystem::exists(asPath(folder)));
    EXPECT_TRUE(adapter.hasProducts());
}

TEST_F(OnlineAdapter, TempFoldersOfTwoAdaptersDiffer) {
    EXPECT_NE(make().getTempFolder(), make().getTempFolder());
}

TEST_F(OnlineAdapter, LogsTheMetadataURLAndTheDownloadInTheInstallerLog) {
    foundation::log::testing::record_capture capture;
    install::tambrel::testing::installer_log_capture installerLog;
    auto& logger = install::harlowen::onlineAdapterLogger();
    const auto savedMask = logger.mask();
    logger.set_mask(8);
    auto& adapter = make(5);
    std::vector<std::wstring> logBeforeDownload;
    adapter.download = [&](const std::string&, const std::u16string& target) {
        logBeforeDownload = installerLog.messages();
        harlowen_test::writeArchive(asPath(target), kMetadata);
    };
    adapter.getProducts();
    logger.set_mask(savedMask);

    const auto records = capture.records("install::harlowen::OnlineProductRepoAdapter");
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].severity, 8u);
    EXPECT_EQ(records[0].message, "brandeth.zip URL : http://files.example/base/R1/beta/5/brandeth.zip");
    EXPECT_EQ(logBeforeDownload, std::vector<std::wstring>{L"Starting download of product meta data"});
    EXPECT_EQ(installerLog.messages(), (std::vector<std::wstring>{L"Starting download of product meta data",
                                                                  L"Finished downloading product meta data"}));
}

TEST_F(OnlineAdapter, NothingIsLoggedWithTheMaskOff) {
    foundation::log::testing::record_capture capture;
    auto& logger = install::harlowen::onlineAdapterLogger();
    const auto savedMask = logger.mask();
    logger.set_mask(0);
    make().getProducts();
    logger.set_mask(savedMask);
    EXPECT_TRUE(capture.records("install::harlowen::OnlineProductRepoAdapter").empty());
}

}  // namespace
