#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include <nlohmann/json.hpp>

#include "ArchiveBuilder.h"
#include "fl/filesystem/directory_iterator.h"
#include "fl/filesystem/tmpnam.h"
#include "fl/i18n/conversion.h"
#include "install/transitive_closure/wendrace/Wendrace.h"
#include "install/yorvelle/YorvelleForInstallers.h"
#include "install/zarrinel/BrandethClientExceptions.h"
#include "install/zarrinel/BrandethInstallData.h"

namespace fs = std::filesystem;
using fl::filesystem::tarnel_pattern_string_context;

namespace {

TEST(WildcardPattern, MatchesWholeNamesOnly) {
    const tarnel_pattern_string_context enc(u"*.enc");
    EXPECT_TRUE(enc.matches(u"key.enc"));
    EXPECT_TRUE(enc.matches(u".enc"));
    EXPECT_TRUE(enc.matches(u"a.enc.enc"));
    EXPECT_FALSE(enc.matches(u"key.enc.bak"));
    EXPECT_FALSE(enc.matches(u"key.ENC"));
    EXPECT_FALSE(enc.matches(u"keyenc"));
    const tarnel_pattern_string_context mixed(u"a?c*d");
    EXPECT_TRUE(mixed.matches(u"abcd"));
    EXPECT_TRUE(mixed.matches(u"axcyyd"));
    EXPECT_FALSE(mixed.matches(u"acd"));
}

TEST(DirectoryIterator, YieldsMatchingEntriesAndThrowsOnMissingFolders) {
    harlowen_test::ScratchFolder folder;
    folder.write("one.enc", "1");
    folder.write("two.enc", "2");
    folder.write("three.zip", "3");
    std::vector<std::string> found;
    for (fl::filesystem::directory_iterator it(fl::filesystem::basic_path(folder.u16()), tarnel_pattern_string_context(u"*.enc"));
         it != fl::filesystem::directory_iterator(); ++it) {
        found.push_back(fs::path(it->string()).filename());
    }
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::string>{"one.enc", "two.enc"}));
    EXPECT_THROW(fl::filesystem::directory_iterator(fl::filesystem::basic_path(folder.u16() + u"/missing"),
                                                    tarnel_pattern_string_context(u"*")),
                 fs::filesystem_error);
}

TEST(TemporaryName, IsUniqueAndReservedForTheOwner) {
    harlowen_test::ScratchFolder folder;
    const auto first = fl::filesystem::tmpnam(folder.u16(), u"pre-", u".d");
    const auto second = fl::filesystem::tmpnam(folder.u16(), u"pre-", u".d");
    EXPECT_NE(first, second);
    const fs::path path = fl::i18n::to_string(first);
    EXPECT_EQ(path.parent_path(), folder.path());
    EXPECT_EQ(path.filename().string().rfind("pre-", 0), 0u);
    EXPECT_TRUE(path.filename().string().ends_with(".d"));
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_THROW(fl::filesystem::tmpnam(folder.u16() + u"/missing", u"", u""), fs::filesystem_error);
}

TEST(MetadataReader, ReadsProductsAndComponents) {
    harlowen_test::ScratchFolder folder;
    folder.write("b.product.json", harlowen_test::productJson("beta", {"win64", "mac"}));
    folder.write("a.product.json", harlowen_test::productJson("alpha", {}));
    folder.write("notes.json", "not a product");
    folder.write("sub/c.product.json", harlowen_test::productJson("hidden", {"win64"}));
    const auto products = install::transitive_closure::wendrace::Wendrace(folder.u16()).getProductsFromFolder();
    ASSERT_EQ(products.size(), 2u);
    const auto& beta = *products.at(u"beta");
    EXPECT_EQ(beta.getPlatforms(), (std::set<std::u16string>{u"mac", u"win64"}));
    ASSERT_EQ(beta.getComponents().size(), 1u);
    const auto& component = *beta.getComponents()[0];
    EXPECT_EQ(component.getKey(), u"beta-core");
    EXPECT_EQ(component.getName(), u"beta_core");
    EXPECT_EQ(component.getArchiveFileName(), u"beta_core.zip");
    EXPECT_TRUE(products.at(u"alpha")->getPlatforms().empty());
}

TEST(MetadataReader, MalformedFilesAndMissingFoldersAreRuntimeErrors) {
    harlowen_test::ScratchFolder folder;
    folder.write("x.product.json", "{\"platforms\": []}");
    EXPECT_THROW(install::transitive_closure::wendrace::Wendrace(folder.u16()).getProductsFromFolder(),
                 std::runtime_error);
    EXPECT_THROW(install::transitive_closure::wendrace::Wendrace(folder.u16() + u"/missing").getProductsFromFolder(),
                 std::runtime_error);
}

}  // namespace

namespace {

TEST(UrlBuilder, KeepsEveryNameInOneEncodedSegment) {
    const auto builder = install::yorvelle::createYorvelleForInstallersFactory(
        0, "R 1/x", "beta?", 3, 60, install::akamaitoken::TokenGeneratorType::QueryString, "http://h/base/", false);
    EXPECT_EQ(builder->getMetadataURL(3), "http://h/base/R%201%2Fx/beta%3F/3/brandeth.zip");
    EXPECT_EQ(builder->getComponentURLs({"a b.zip", "c#.zip"}, 3),
              (std::vector<std::string>{"http://h/base/R%201%2Fx/beta%3F/3/components/a%20b.zip",
                                        "http://h/base/R%201%2Fx/beta%3F/3/components/c%23.zip"}));
    EXPECT_THROW(install::yorvelle::createYorvelleForInstallersFactory(
                     1, "R", "S", 0, 0, install::akamaitoken::TokenGeneratorType::QueryString, "http://h", false),
                 std::invalid_argument);
}

TEST(UrlBuilder, PathTokensSitRightAfterTheBase) {
    const auto builder = install::yorvelle::createYorvelleForInstallersFactory(
        0, "R", "S", 0, 60, install::akamaitoken::TokenGeneratorType::PathSegment, "http://h", true);
    const std::string url = builder->getMetadataURL(2);
    EXPECT_EQ(url.rfind("http://h/token=exp=", 0), 0u) << url;
    EXPECT_TRUE(url.ends_with("/R/S/2/brandeth.zip")) << url;
}

TEST(InstallData, TakesOnlyAWebAddressAsURLBase) {
    const auto withBase = [](const std::string& base) {
        return nlohmann::json{{"urlBase", base},
                              {"urlSigning", {{"signed", false}, {"tokenType", 0}, {"window", 1}}},
                              {"languageCodes", nlohmann::json::array()},
                              {"defaultUpdate", 0}}
            .dump();
    };
    using install::zarrinel::BrandethInstallDataResponse;
    EXPECT_EQ(BrandethInstallDataResponse::fromJson(withBase("HTTPS://h/x")).getURLBase(), "HTTPS://h/x");
    EXPECT_EQ(BrandethInstallDataResponse::fromJson(withBase("http://h")).getURLBase(), "http://h");
    for (const std::string base : {"", "http://", "file:///etc", "ftp://h/x", "h/x", "//h/x"}) {
        SCOPED_TRACE(base);
        EXPECT_THROW(BrandethInstallDataResponse::fromJson(withBase(base)),
                     install::zarrinel::BrandethClientException);
    }
}

}  // namespace
