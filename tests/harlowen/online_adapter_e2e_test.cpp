#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include <nlohmann/json.hpp>

#include "AdapterFailure.h"
#include "ArchiveBuilder.h"
#include "HttpTestServer.h"
#include "install/harlowen/ProductRepoAdapterFactories.h"
#include "install/harlowen/RepoAdapterExceptions.h"
#include "fl/i18n/conversion.h"
#include "install/tambrel/interrupt.h"

using namespace install::harlowen;
using harlowen_test::ArchiveEntry;
using harlowen_test::CannedResponse;
using harlowen_test::ExpectedFailure;
using harlowen_test::expectAdapterFailure;
using harlowen_test::productJson;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

const std::string kServiceContext = "BrandethClient call in Product Repository Adapter";
const std::string kDownloadContext = "Download brandeth.zip in Product Repository Adapter";
const std::string kExtractContext = "Extraction of brandeth.zip in Product Repository Adapter";
const std::string kInstallData = "/service/installdata";

std::string metadataPath(int update) { return "/files/R1/beta/" + std::to_string(update) + "/brandeth.zip"; }

const std::vector<ArchiveEntry> kMetadata{
    {"alpha.product.json", productJson("alpha", {"win64"})},
    {"beta.product.json", productJson("beta", {"mac"})},
};

class OnlineAdapterEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("ZARRINEL_SERVICE_URL", (server.url() + "/service").c_str(), 1);
        ::setenv("ZARRINEL_TIMEOUT_MS", "1000", 1);
        ::setenv("SOVARINE_STALL_TIMEOUT_SECONDS", "1", 1);
        ::setenv("TMPDIR", tmp.path().c_str(), 1);
        for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "all_proxy", "ALL_PROXY", "no_proxy", "NO_PROXY"}) {
            ::unsetenv(name);
        }
        install::tambrel::interrupt::clear();
        serveInstallData(false);
        serveArchive(7, kMetadata);
    }
    void TearDown() override {
        ::unsetenv("TMPDIR");
        ::unsetenv("http_proxy");
        install::tambrel::interrupt::clear();
    }

    void serveInstallData(bool signURLs) {
        server.serve(kInstallData, {200, harlowen_test::installDataJson(server.url() + "/files", signURLs),
                                    "application/json"});
    }
    void serveArchive(int update, const std::vector<ArchiveEntry>& entries) {
        server.serve(metadataPath(update), {200, harlowen_test::archiveBytes(entries)});
    }
    std::unique_ptr<ProductRepoAdapter> makeAdapter(int update = -1, const std::u16string& release = u"R1") {
        return createOnlineProductRepoAdapter(release, u"beta", u"installer", u"secret-token", u"2.0", u"client/1",
                                              update);
    }
    // The adapters' temporary folders: everything in the test's TMPDIR.
    std::vector<fs::path> tempFolders() const {
        std::vector<fs::path> found;
        for (const auto& entry : fs::directory_iterator(tmp.path())) found.push_back(entry.path());
        return found;
    }

    harlowen_test::ScratchFolder tmp;
    harlowen_test::HttpTestServer server;
};

TEST_F(OnlineAdapterEndToEnd, AsksTheServiceDownloadsAndReadsTheMetadata) {
    auto adapter = makeAdapter(-1);
    const auto products = adapter->getProducts();
    ASSERT_EQ(products.size(), 1u);
    EXPECT_TRUE(products.contains(u"alpha"));
    EXPECT_EQ(adapter->getAvailableLanguageCodes(), (std::vector<std::string>{"en_US", "ja_JP"}));

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].path, kInstallData);
    EXPECT_EQ(requests[0].headers.at("authorization"), "Bearer secret-token");
    const auto sent = nlohmann::json::parse(requests[0].body);
    EXPECT_EQ(sent.at("release"), "R1");
    EXPECT_EQ(sent.at("status"), "beta");
    EXPECT_EQ(sent.at("installerName"), "installer");
    EXPECT_EQ(sent.at("installerVersion"), "2.0");
    EXPECT_EQ(sent.at("clientString"), "client/1");
    EXPECT_EQ(requests[1].path, metadataPath(7));

    EXPECT_EQ(adapter->getProducts().size(), 1u);
    EXPECT_EQ(server.requests().size(), 2u);

    const auto locations = adapter->getComponentLocations(products.at(u"alpha")->getComponents());
    EXPECT_EQ(fl::i18n::to_string(locations.at(u"alpha_core.zip")),
              server.url() + "/files/R1/beta/7/components/alpha_core.zip");
}

TEST_F(OnlineAdapterEndToEnd, TempFolderIsPrivateAndCleanUpRemovesIt) {
    auto adapter = makeAdapter();
    adapter->cleanUp();
    EXPECT_TRUE(tempFolders().empty());
    adapter->getProducts();
    const auto folders = tempFolders();
    ASSERT_EQ(folders.size(), 1u);
    struct stat info {};
    ASSERT_EQ(::stat(folders[0].c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_TRUE(fs::exists(folders[0] / "brandeth.zip"));
    adapter->cleanUp();
    EXPECT_TRUE(tempFolders().empty());
    adapter->getProducts();
    EXPECT_TRUE(tempFolders().empty());
}

TEST_F(OnlineAdapterEndToEnd, UpdateZeroIsUsedAsGiven) {
    serveArchive(0, kMetadata);
    auto adapter = makeAdapter(0);
    EXPECT_EQ(adapter->getProducts().size(), 1u);
    EXPECT_EQ(server.requestCount(metadataPath(0)), 1u);
    EXPECT_EQ(server.requestCount(metadataPath(7)), 0u);
    adapter->cleanUp();
}

TEST_F(OnlineAdapterEndToEnd, SignedURLsCarryTheirToken) {
    serveInstallData(true);
    auto adapter = makeAdapter();
    adapter->getProducts();
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].path, metadataPath(7));
    EXPECT_NE(requests[1].target.find("?token=exp="), std::string::npos) << requests[1].target;
    adapter->cleanUp();
}

TEST_F(OnlineAdapterEndToEnd, ProxyCredentialsAreUsedOnlyWhenBothAreGiven) {
    ::setenv("http_proxy", server.url().c_str(), 1);
    auto userOnly = makeAdapter();
    userOnly->setProxyCredentials(u"user", u"");
    userOnly->getProducts();
    auto both = makeAdapter();
    both->setProxyCredentials(u"user", u"secret");
    both->getProducts();

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 4u);
    for (const auto& request : requests) EXPECT_EQ(request.target.rfind("http://127.0.0.1:", 0), 0u);
    EXPECT_FALSE(requests[1].headers.contains("proxy-authorization"));
    EXPECT_EQ(requests[3].path, metadataPath(7));
    EXPECT_EQ(requests[3].headers.at("proxy-authorization"), "Basic dXNlcjpzZWNyZXQ=");
    userOnly->cleanUp();
    both->cleanUp();
}

// The failure says cancelled, not timed out: the interrupt ended the wait, not the timeout.
TEST_F(OnlineAdapterEndToEnd, InterruptDuringASlowDownloadCancelsIt) {
    ::setenv("SOVARINE_STALL_TIMEOUT_SECONDS", "10", 1);
    CannedResponse slow{200, harlowen_test::archiveBytes(kMetadata)};
    slow.stallAfter = 16;
    server.serve(metadataPath(7), slow);
    auto adapter = makeAdapter();
    std::thread installer([&] {
        if (server.waitForRequest(metadataPath(7), 5s)) install::tambrel::interrupt::set();
    });
    expectAdapterFailure<RepoAdapterBrandethDownloadException>(
        [&] { adapter->getProducts(); }, {"1808", "Repo Adapter Generic Error", kDownloadContext, "cancelled"});
    installer.join();
    const auto folders = tempFolders();
    ASSERT_EQ(folders.size(), 1u);
    EXPECT_TRUE(fs::is_empty(folders[0])) << "a partial download was left behind";
    EXPECT_FALSE(adapter->hasProducts());
    adapter->cleanUp();
}

TEST_F(OnlineAdapterEndToEnd, ServiceFailuresGiveTheirCodes) {
    server.serve(kInstallData, {500, R"({"errorMessage": "Release R1 is withdrawn"})", "application/json"});
    expectAdapterFailure<RepoAdapterWebServiceException>(
        [&] { makeAdapter()->getProducts(); }, {"1804", "Release R1 is withdrawn", kServiceContext, "500"});

    server.serve(kInstallData, {407, "", "text/plain"});
    expectAdapterFailure<RepoAdapterWebServiceException>(
        [&] { makeAdapter()->getProducts(); },
        {"1811", "BrandethClient Http Request Requires Proxy Authentication", kServiceContext, "proxy"});

    server.serve(kInstallData, {200, "{\"urlBase\": 12", "application/json"});
    expectAdapterFailure<RepoAdapterWebServiceException>(
        [&] { makeAdapter()->getProducts(); },
        {"1805", "BrandethClient WebServiceClientCore Exception", kServiceContext, "malformed install data"});

    expectAdapterFailure<RepoAdapterWebServiceException>(
        [&] { makeAdapter(-1, u"")->getProducts(); },
        {"1800", "BrandethClient Invalid Argument", kServiceContext, "release"});

    ::unsetenv("ZARRINEL_SERVICE_URL");
    expectAdapterFailure<RepoAdapterWebServiceException>(
        [&] { makeAdapter()->getProducts(); },
        {"1801", "BrandethClient Microservice not initialized", kServiceContext, "ZARRINEL_SERVICE_URL"});
    EXPECT_EQ(server.requestCount(metadataPath(7)), 0u);
    EXPECT_TRUE(tempFolders().empty());
}

TEST_F(OnlineAdapterEndToEnd, SlowServiceTimesOutOrIsCancelled) {
    ::setenv("ZARRINEL_TIMEOUT_MS", "300", 1);
    CannedResponse silent{200, "{}", "application/json"};
    silent.holdBeforeReply = 5000ms;
    server.serve(kInstallData, silent);
    expectAdapterFailure<RepoAdapterWebServiceException>(
        [&] { makeAdapter()->getProducts(); },
        {"1803", "BrandethClient Http Request Timeout", kServiceContext, "timed out"});

    ::setenv("ZARRINEL_TIMEOUT_MS", "5000", 1);
    const size_t before = server.requestCount(kInstallData);
    std::thread installer([&] {
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (server.requestCount(kInstallData) == before && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(5ms);
        }
        install::tambrel::interrupt::set();
    });
    expectAdapterFailure<RepoAdapterWebServiceException>(
        [&] { makeAdapter()->getProducts(); },
        {"1802", "BrandethClient Http Request Cancelled", kServiceContext, "cancelled"});
    installer.join();
}

TEST_F(OnlineAdapterEndToEnd, DownloadFailuresGiveTheirCodes) {
    server.serve(metadataPath(7), {404, "gone", "text/plain"});
    auto adapter = makeAdapter();
    expectAdapterFailure<RepoAdapterBrandethDownloadException>(
        [&] { adapter->getProducts(); }, {"1807", "Downloader Http Request Timeout", kDownloadContext, "404"});

    CannedResponse stalled{200, harlowen_test::archiveBytes(kMetadata)};
    stalled.stallAfter = 10;
    server.serve(metadataPath(7), stalled);
    expectAdapterFailure<RepoAdapterBrandethDownloadException>(
        [&] { adapter->getProducts(); }, {"1806", "Downloader Http Request Timeout", kDownloadContext, "timed out"});

    serveArchive(7, kMetadata);
    EXPECT_EQ(adapter->getProducts().size(), 1u);
    EXPECT_EQ(server.requestCount(kInstallData), 3u);
    adapter->cleanUp();
}

TEST_F(OnlineAdapterEndToEnd, DamagedOrHostileArchivesGiveExtractionCodes) {
    const std::string good = harlowen_test::archiveBytes(kMetadata);
    const std::vector<std::pair<std::string, std::string>> archives{
        {"truncated", good.substr(0, good.size() / 2)},
        {"corrupt", std::string(300, '\x7f')},
        {"escaping", harlowen_test::archiveBytes({{"../escaped.product.json", productJson("evil", {"win64"})}})},
        {"link out", harlowen_test::archiveBytes({{"link.product.json", "/etc/hostname", ArchiveEntry::Kind::Symlink}})},
    };
    for (const auto& [name, bytes] : archives) {
        SCOPED_TRACE(name);
        server.serve(metadataPath(7), {200, bytes});
        auto adapter = makeAdapter();
        expectAdapterFailure<RepoAdapterBrandethExtractException>(
            [&] { adapter->getProducts(); }, {"1810", "Repo Adapter Generic Error", kExtractContext, ""});
        const auto folders = tempFolders();
        EXPECT_EQ(folders.size(), 1u) << "something was written beside the temporary folder";
        EXPECT_FALSE(adapter->hasProducts());
        adapter->cleanUp();
    }
}

TEST_F(OnlineAdapterEndToEnd, MalformedMetadataGivesTheExtractionCode) {
    serveArchive(7, {{"broken.product.json", "[1, 2"}});
    auto adapter = makeAdapter();
    expectAdapterFailure<RepoAdapterBrandethExtractException>(
        [&] { adapter->getProducts(); },
        {"1810", "Repo Adapter Generic Error", kExtractContext, "broken.product.json"});
    adapter->cleanUp();
}

TEST(OnlineAdapterFactories, CreateWithoutContactingAnything) {
    ::setenv("ZARRINEL_SERVICE_URL", "http://127.0.0.1:9", 1);
    auto online = createOnlineProductRepoAdapter(u"", u"", u"", u"", u"", u"", -1);
    auto downloadOnly = createOnlineProductRepoAdapterForDownloadOnlyWorkflow(u"R", u"S", u"", u"", u"", u"",
                                                                              {u"mac"}, 3);
    EXPECT_FALSE(online->hasProducts());
    EXPECT_TRUE(downloadOnly->getProductNames().empty());
    online->cleanUp();
    downloadOnly->cleanUp();
    ::unsetenv("ZARRINEL_SERVICE_URL");
}

}  // namespace
