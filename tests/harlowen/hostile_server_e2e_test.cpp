// The online adapter against a server that answers badly on purpose: every answer must end either in products
// read from the adapter's own folder or in a coded adapter exception, and nothing beside that folder may be
// touched.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <map>

#include "ArchiveBuilder.h"
#include "HttpTestServer.h"
#include "install/harlowen/ProductRepoAdapterFactories.h"
#include "install/harlowen/RepoAdapterExceptions.h"
#include "install/tambrel/interrupt.h"

using namespace install::harlowen;
using harlowen_test::ArchiveEntry;
using harlowen_test::ArchiveFormat;
using harlowen_test::CannedResponse;
using harlowen_test::productJson;
using harlowen_test::readFile;
using Kind = harlowen_test::ArchiveEntry::Kind;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

const std::string kInstallData = "/service/installdata";
const std::string kMetadataPath = "/files/R1/beta/7/brandeth.zip";
constexpr std::uintmax_t kExtractionLimit = std::uintmax_t{1} << 30;
// Far longer than any sound answer takes; a case still running then is cut off by the installer's interrupt.
constexpr auto kDeadline = 30s;
const ArchiveEntry kAlpha{"alpha.product.json", productJson("alpha", {"win64"})};

CannedResponse redirectTo(const std::string& location) {
    CannedResponse redirect{302, "", "text/plain"};
    redirect.headers = {"Location: " + location};
    return redirect;
}

// Every entry below a folder, without following links: files by content, links by target, folders by name.
std::map<std::string, std::string> snapshot(const fs::path& folder) {
    std::map<std::string, std::string> seen;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const auto relative = fs::relative(entry.path(), folder).string();
        if (entry.is_symlink()) {
            seen[relative] = "-> " + fs::read_symlink(entry.path()).string();
        } else {
            seen[relative] = entry.is_regular_file() ? readFile(entry.path()) : "folder";
        }
    }
    return seen;
}

// What the adapter's getProducts came to.
struct Outcome {
    std::string code;  // empty when products were read
    std::string message;
    bool foreignProduct = false;
    bool uncoded = false;
};

Outcome attempt(ProductRepoAdapter& adapter) {
    try {
        return {"", "", adapter.getProducts().contains(u"secret")};
    } catch (const RepoAdapterException& error) {
        return {error.getCode(), error.what()};
    } catch (const std::exception& error) {
        return {"", error.what(), false, true};
    }
}

struct HostileCase {
    std::string name;
    std::function<void()> arrange;
    // The adapter exception's code; empty when the products must be read, "any" when either outcome is sound.
    std::string code;
};

class HostileServer : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("ZARRINEL_SERVICE_URL", (server.url() + "/service").c_str(), 1);
        ::setenv("ZARRINEL_TIMEOUT_MS", "2000", 1);
        ::setenv("SOVARINE_STALL_TIMEOUT_SECONDS", "1", 1);
        ::setenv("TMPDIR", tmp.path().c_str(), 1);
        for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "all_proxy", "ALL_PROXY"})
            ::unsetenv(name);
        tmp.write("sentinel/secret.product.json", productJson("secret", {"win64"}));
        tmp.write("sentinel/R1/beta/7/brandeth.zip",
                  harlowen_test::archiveBytes({{"secret.product.json", productJson("secret", {"win64"})}}));
        sentinelBefore = snapshot(sentinel());
    }
    void TearDown() override {
        for (const char* name : {"TMPDIR", "SOVARINE_MAX_BYTES", "SOVARINE_LOW_SPEED_BYTES"})
            ::unsetenv(name);
    }

    fs::path sentinel() const { return tmp.path() / "sentinel"; }
    void serveInstallData(const std::string& urlBase) {
        server.serve(kInstallData, {200, harlowen_test::installDataJson(urlBase), "application/json"});
    }
    void serveArchive(const std::vector<ArchiveEntry>& entries, ArchiveFormat format = ArchiveFormat::Zip) {
        server.serve(kMetadataPath, {200, harlowen_test::archiveBytes(entries, format)});
    }
    std::unique_ptr<ProductRepoAdapter> makeAdapter() {
        return createOnlineProductRepoAdapter(u"R1", u"beta", u"installer", u"token", u"2.0", u"client", -1);
    }
    std::vector<fs::path> adapterFolders() const {
        std::vector<fs::path> found;
        for (const auto& entry : fs::directory_iterator(tmp.path())) {
            if (entry.path() != sentinel()) found.push_back(entry.path());
        }
        return found;
    }

    // The files directly in the adapter's folders, where the download is written.
    std::uintmax_t downloadedBytes() const {
        std::uintmax_t total = 0;
        std::error_code gone;  // files come and go while the adapter works
        for (const auto& folder : adapterFolders()) {
            for (const auto& entry : fs::directory_iterator(folder, gone)) {
                const auto length = entry.is_regular_file(gone) ? entry.file_size(gone) : 0;
                if (!gone) total += length;
            }
        }
        return total;
    }

    void limitDownloadsTo(std::uintmax_t bytes) {
        downloadLimit = bytes;
        ::setenv("SOVARINE_MAX_BYTES", std::to_string(bytes).c_str(), 1);
    }

    // Runs getProducts on its own thread while watching the download grow; interrupts it after the deadline.
    Outcome attemptWatched(ProductRepoAdapter& adapter) {
        auto outcome = std::async(std::launch::async, [&] { return attempt(adapter); });
        const auto deadline = std::chrono::steady_clock::now() + kDeadline;
        std::uintmax_t largest = 0;
        while (outcome.wait_for(2ms) == std::future_status::timeout) {
            largest = std::max(largest, downloadedBytes());
            if (std::chrono::steady_clock::now() > deadline && !install::tambrel::interrupt::is_set()) {
                ADD_FAILURE() << "still running after the deadline";
                install::tambrel::interrupt::set();
            }
        }
        install::tambrel::interrupt::clear();
        EXPECT_LE(largest, downloadLimit) << "the download grew past its limit";
        return outcome.get();
    }

    // Nothing outside the adapter's folders changed, no link inside them leads out, no file grew past the
    // limit.
    void expectContained() const {
        EXPECT_EQ(snapshot(sentinel()), sentinelBefore) << "the sentinel folder changed";
        for (const auto& folder : adapterFolders()) {
            struct stat info {};
            ASSERT_EQ(::lstat(folder.c_str(), &info), 0);
            EXPECT_TRUE(S_ISDIR(info.st_mode)) << folder;
            EXPECT_EQ(info.st_uid, ::geteuid());
            EXPECT_EQ(info.st_mode & 0777, 0700u) << folder;
            const auto inside = fs::canonical(folder);
            std::uintmax_t lengths = 0;
            for (const auto& entry : fs::recursive_directory_iterator(folder)) {
                if (entry.is_symlink()) {
                    const auto target = fs::weakly_canonical(entry.path());
                    const auto rest = fs::relative(target, inside);
                    EXPECT_FALSE(rest.empty() || *rest.begin() == "..")
                        << entry.path() << " leads out to " << target;
                } else if (entry.is_regular_file()) {
                    lengths += entry.file_size();
                }
            }
            EXPECT_LE(lengths, kExtractionLimit + 4096) << "files in " << folder << " add up past the limit";
        }
    }

    void run(const HostileCase& hostile) {
        SCOPED_TRACE(hostile.name);
        serveInstallData(server.url() + "/files");
        serveArchive({kAlpha});
        hostile.arrange();
        auto adapter = makeAdapter();
        const Outcome outcome = attemptWatched(*adapter);
        EXPECT_FALSE(outcome.uncoded) << "uncoded failure: " << outcome.message;
        EXPECT_FALSE(outcome.foreignProduct) << "a product from outside the folder was read";
        EXPECT_TRUE(hostile.code == outcome.code || hostile.code == "any")
            << "code \"" << outcome.code << "\": " << outcome.message;
        expectContained();
        adapter->cleanUp();
        EXPECT_TRUE(adapterFolders().empty()) << "cleanUp left the temporary folder behind";
    }

    harlowen_test::ScratchFolder tmp;
    harlowen_test::HttpTestServer server;
    std::map<std::string, std::string> sentinelBefore;
    std::uintmax_t downloadLimit = kExtractionLimit;
};

TEST_F(HostileServer, LinksNeverLeadOutOfTheFolder) {
    const std::string secret = "../sentinel/secret.product.json";
    const std::vector<HostileCase> cases{
        {"link named with /.",
         [&] {
             serveArchive({kAlpha, {"p.product.json/.", secret, Kind::Symlink}}, ArchiveFormat::Tar);
         },
         "1810"},
        {"link redirected by a later link (tar)",
         [&] {
             serveArchive(
                 {kAlpha, {"q.product.json", "d/y/" + secret, Kind::Symlink}, {"d/y", "..", Kind::Symlink}},
                 ArchiveFormat::Tar);
         },
         "1810"},
        {"link redirected by a later link (zip)",
         [&] {
             serveArchive(
                 {kAlpha, {"q.product.json", "d/y/" + secret, Kind::Symlink}, {"d/y", "..", Kind::Symlink}});
         },
         "1810"},
        {"hard link to a link redirected later",
         [&] {
             serveArchive({kAlpha,
                           {"q.product.json", "d/y/" + secret, Kind::Symlink},
                           {"h.product.json", "q.product.json", Kind::Hardlink},
                           {"d/y", "..", Kind::Symlink}},
                          ArchiveFormat::Tar);
         },
         "1810"},
        {"absolute link",
         [&] {
             serveArchive(
                 {kAlpha, {"s.product.json", (sentinel() / "secret.product.json").string(), Kind::Symlink}});
         },
         "1810"},
        {"link upwards",
         [&] {
             serveArchive({kAlpha, {"s.product.json", secret, Kind::Symlink}}, ArchiveFormat::Tar);
         },
         "1810"},
        {"link through a link to a folder inside",
         [&] {
             serveArchive({{"sub/a.product.json", kAlpha.content},
                           {"d", "sub", Kind::Symlink},
                           {"l.product.json", "d/a.product.json", Kind::Symlink}});
         },
         ""},
    };
    for (const auto& hostile : cases) run(hostile);
}

TEST_F(HostileServer, ArchivesThatWouldWriteOutsideOrGrowWithoutBoundAreRefused) {
    const std::string planted = (sentinel() / "planted.product.json").string();
    const std::vector<HostileCase> cases{
        {"declared length far past the limit",
         [&] {
             server.serve(kMetadataPath,
                          {200, harlowen_test::zipDeclaringLength("big.product.json", "{}", 0xF0000000u)});
         },
         "1810"},
        {"declared length within the limit",
         [&] {
             server.serve(kMetadataPath,
                          {200, harlowen_test::zipDeclaringLength("notes.txt", "short", 4096)});
         },
         "any"},
        {"parent in zip",
         [&] {
             serveArchive({kAlpha, {"../sentinel/planted.product.json", "x"}});
         },
         "1810"},
        {"parent in tar",
         [&] {
             serveArchive({kAlpha, {"../sentinel/planted.product.json", "x"}}, ArchiveFormat::Tar);
         },
         "1810"},
        {"absolute in zip",
         [&] {
             serveArchive({kAlpha, {planted, "x"}});
         },
         "1810"},
        {"absolute in tar",
         [&] {
             serveArchive({kAlpha, {planted, "x"}}, ArchiveFormat::Tar);
         },
         "1810"},
        {"fifo",
         [&] {
             serveArchive({kAlpha, {"pipe.product.json", "", Kind::Fifo}}, ArchiveFormat::Tar);
         },
         "1810"},
        {"long name",
         [&] {
             serveArchive({kAlpha, {std::string(300, 'n') + ".product.json", "{}"}}, ArchiveFormat::Tar);
         },
         "1810"},
        {"long path",
         [&] {
             std::string deep;
             for (int i = 0; i < 40; ++i) deep += std::string(120, 'd') + "/";
             serveArchive({kAlpha, {deep + "x.product.json", "{}"}}, ArchiveFormat::Tar);
         },
         "1810"},
        {"non-UTF-8 name",
         [&] {
             serveArchive({kAlpha, {"\xff\xfe.txt", "x"}}, ArchiveFormat::Tar);
         },
         ""},
        {"folder without permissions",
         [&] {
             serveArchive({kAlpha,
                           {"locked/", "", Kind::Folder, 0},
                           {"locked/inner/file.txt", "x"},
                           {"closed/", "", Kind::Folder, 0111}},
                          ArchiveFormat::Tar);
         },
         ""},
        {"malformed product file",
         [&] {
             serveArchive({kAlpha, {"broken.product.json", "[1, 2"}});
         },
         "1810"},
    };
    for (const auto& hostile : cases) run(hostile);
}

TEST_F(HostileServer, BadAnswersGiveCodedFailures) {
    const std::vector<HostileCase> cases{
        {"empty URL base", [&] { serveInstallData(""); }, "1805"},
        {"URL base on the local disk", [&] { serveInstallData("file://" + sentinel().string()); }, "1805"},
        {"service fails",
         [&] {
             server.serve(kInstallData, {500, "{}", "application/json"});
         },
         "1804"},
        {"service redirects to itself",
         [&] {
             CannedResponse loop{302, "", "text/plain"};
             loop.headers = {"Location: " + server.url() + kInstallData};
             server.serve(kInstallData, loop);
         },
         "1805"},
        {"archive missing",
         [&] {
             server.serve(kMetadataPath, {404, "gone", "text/plain"});
         },
         "1807"},
        {"archive fails",
         [&] {
             server.serve(kMetadataPath, {500, "", "text/plain"});
         },
         "1807"},
        {"archive redirects to itself",
         [&] { server.serve(kMetadataPath, redirectTo(kMetadataPath)); },
         "1807"},
        {"archive redirects to the local disk",
         [&] {
             const auto local = sentinel() / "R1/beta/7/brandeth.zip";
             server.serve(kMetadataPath, redirectTo("file://" + local.string()));
         },
         "1807"},
        {"body cut short",
         [&] {
             CannedResponse cut{200, harlowen_test::archiveBytes({kAlpha})};
             cut.closeAfter = 20;
             server.serve(kMetadataPath, cut);
         },
         "1807"},
        {"body stalls",
         [&] {
             CannedResponse stalled{200, harlowen_test::archiveBytes({kAlpha})};
             stalled.stallAfter = 20;
             server.serve(kMetadataPath, stalled);
         },
         "1806"},
    };
    for (const auto& hostile : cases) run(hostile);
    EXPECT_LE(server.requestCount(kMetadataPath), 16u) << "the redirect loop was followed without a limit";
}

TEST_F(HostileServer, DownloadsThatNeverEndOrBarelyMoveAreCutOff) {
    constexpr size_t kLimit = 1 << 20;
    limitDownloadsTo(kLimit);
    const std::string chunk(64 * 1024, 'z');
    const auto lengthHeader = [](size_t length) { return "Content-Length: " + std::to_string(length); };
    const std::vector<HostileCase> cases{
        {"endless body",
         [&] {
             CannedResponse endless{200, chunk};
             endless.repeatUpTo = 64 * kLimit;
             server.serve(kMetadataPath, endless);
         },
         "1807"},
        {"undeclared body exactly at the limit",
         [&] {
             CannedResponse whole{200, chunk};
             whole.repeatUpTo = kLimit;
             server.serve(kMetadataPath, whole);
         },
         "1810"},
        {"declared length past the limit, then silence",
         [&] {
             CannedResponse big{200, chunk};
             big.headers = {lengthHeader(kLimit + 1)};
             big.stallAfter = 100;
             server.serve(kMetadataPath, big);
         },
         "1807"},
        {"declared length at the limit, then silence",
         [&] {
             CannedResponse big{200, chunk};
             big.headers = {lengthHeader(kLimit)};
             big.stallAfter = 100;
             server.serve(kMetadataPath, big);
         },
         "1806"},
        {"five bytes a second",
         [&] {
             ::setenv("SOVARINE_STALL_TIMEOUT_SECONDS", "2", 1);
             CannedResponse dripping{200, chunk};
             dripping.dripInterval = 200ms;
             server.serve(kMetadataPath, dripping);
         },
         "1806"},
        {"slow body above a lowered floor",
         [&] {
             ::setenv("SOVARINE_STALL_TIMEOUT_SECONDS", "2", 1);
             ::setenv("SOVARINE_LOW_SPEED_BYTES", "4", 1);
             CannedResponse slow{200, std::string(30, 's')};
             slow.dripInterval = 100ms;
             server.serve(kMetadataPath, slow);
         },
         "1810"},
        {"limit that is not a number holds the default",
         [&] {
             ::setenv("SOVARINE_MAX_BYTES", (std::to_string(kLimit) + " bytes").c_str(), 1);
             downloadLimit = kExtractionLimit;
             CannedResponse twice{200, chunk};
             twice.repeatUpTo = 2 * kLimit;
             server.serve(kMetadataPath, twice);
         },
         "1810"},
    };
    for (const auto& hostile : cases) run(hostile);
}

TEST_F(HostileServer, AFolderRetakenAfterCleanUpIsNotUsed) {
    serveInstallData(server.url() + "/files");
    server.serve(kMetadataPath, {404, "gone", "text/plain"});
    auto adapter = makeAdapter();
    EXPECT_THROW(adapter->getProducts(), RepoAdapterBrandethDownloadException);
    const auto first = adapterFolders();
    ASSERT_EQ(first.size(), 1u);
    adapter->cleanUp();

    // Someone else takes the name, open to all, with a product of their own in it.
    fs::create_directory(first[0]);
    fs::permissions(first[0], fs::perms::all);
    std::ofstream(first[0] / "planted.product.json") << productJson("planted", {"win64"});
    const auto planted = snapshot(first[0]);

    serveArchive({kAlpha});
    const auto products = adapter->getProducts();
    EXPECT_EQ(products.size(), 1u);
    EXPECT_TRUE(products.contains(u"alpha"));
    EXPECT_EQ(snapshot(first[0]), planted) << "the retaken folder was used";
    const auto now = adapterFolders();
    ASSERT_EQ(now.size(), 2u);
    const auto fresh = now[0] == first[0] ? now[1] : now[0];
    struct stat info {};
    ASSERT_EQ(::lstat(fresh.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_TRUE(fs::exists(fresh / "alpha.product.json"));

    adapter->cleanUp();
    adapter->cleanUp();
    EXPECT_EQ(snapshot(first[0]), planted) << "cleanUp removed a folder it did not make";
    EXPECT_FALSE(fs::exists(fresh));
}

}  // namespace
