#include <gtest/gtest.h>

#include <stdexcept>

#include "ArchiveBuilder.h"
#include "fl/i18n/conversion.h"
#include "install/harlowen/ProductRepoAdapterFactories.h"

using harlowen_test::productJson;
using harlowen_test::ScratchFolder;
using install::component_api::Component;
using install::harlowen::ComponentList;
using install::harlowen::createFolderProductRepoAdapter;

namespace {

std::shared_ptr<const Component> component(const std::u16string& key, const std::u16string& name,
                                           const std::u16string& archive, std::set<std::u16string> platforms) {
    return std::make_shared<const Component>(key, name, archive, std::move(platforms));
}

std::u16string under(const ScratchFolder& folder, const std::string& relative) {
    return fl::i18n::to_ustring((folder.path() / relative).string());
}

class FolderAdapter : public ::testing::Test {
protected:
    void SetUp() override {
        folder.write("alpha.product.json", productJson("alpha", {"win64"}));
        folder.write("beta.product.json", productJson("beta", {"mac"}));
        folder.write("gamma.product.json", productJson("gamma", {"mac", "win64"}));
        folder.write("lower.product.json", productJson("lower", {"Win64"}));
    }
    ScratchFolder folder;
};

TEST_F(FolderAdapter, KeepsOnlyWin64ProductsAndReportsThemOnlyAfterReading) {
    auto adapter = createFolderProductRepoAdapter(folder.u16());
    EXPECT_FALSE(adapter->hasProducts());
    EXPECT_TRUE(adapter->getProductNames().empty());

    const auto products = adapter->getProducts();
    ASSERT_EQ(products.size(), 2u);
    EXPECT_TRUE(products.contains(u"alpha"));
    EXPECT_TRUE(products.contains(u"gamma"));
    EXPECT_TRUE(adapter->hasProducts());
    EXPECT_EQ(adapter->getProductNames(), (std::vector<std::u16string>{u"alpha", u"gamma"}));
}

TEST_F(FolderAdapter, KeepsItsFirstReadingOnceItFoundProducts) {
    auto adapter = createFolderProductRepoAdapter(folder.u16());
    adapter->getProducts();
    folder.write("delta.product.json", productJson("delta", {"win64"}));
    EXPECT_EQ(adapter->getProducts().size(), 2u);
}

TEST(FolderAdapterEmpty, ReadsAgainWhileNoWin64ProductWasFound) {
    ScratchFolder folder;
    folder.write("beta.product.json", productJson("beta", {"mac"}));
    auto adapter = createFolderProductRepoAdapter(folder.u16());
    EXPECT_TRUE(adapter->getProducts().empty());
    EXPECT_FALSE(adapter->hasProducts());
    folder.write("alpha.product.json", productJson("alpha", {"win64"}));
    EXPECT_EQ(adapter->getProducts().size(), 1u);
}

TEST(FolderAdapterEmpty, MalformedMetadataPassesThroughAsRuntimeError) {
    ScratchFolder folder;
    folder.write("broken.product.json", "{\"name\": ");
    auto adapter = createFolderProductRepoAdapter(folder.u16());
    EXPECT_THROW(adapter->getProducts(), std::runtime_error);
    EXPECT_FALSE(adapter->hasProducts());
}

TEST(FolderAdapterEmpty, MissingFolderFailsTheFactory) {
    const std::u16string missing = u"/nonexistent/h\u00e4rlowen repo";
    try {
        createFolderProductRepoAdapter(missing);
        FAIL() << "no exception";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Folder provided (/nonexistent/h\xc3\xa4rlowen repo) does not exist");
    }
}

TEST_F(FolderAdapter, AnswersTheOnlineOnlyQuestionsWithNothing) {
    auto adapter = createFolderProductRepoAdapter(folder.u16());
    adapter->getProducts();
    adapter->setProxyCredentials(u"user", u"secret");
    EXPECT_TRUE(adapter->getURLMap({u"alpha"}).empty());
    EXPECT_TRUE(adapter->getAvailableLanguageCodes().empty());
    EXPECT_EQ(adapter->getProxyUserName(), u"");
    EXPECT_EQ(adapter->getProxyPassword(), u"");
    adapter->cleanUp();
    EXPECT_EQ(adapter->getProducts().size(), 2u);
    EXPECT_TRUE(std::filesystem::exists(folder.path() / "alpha.product.json"));
}

TEST_F(FolderAdapter, EncryptedLayoutSortsArchivesIntoSubFolders) {
    folder.write("common/key.enc", "k");
    folder.write("doc_abc/abc_doc_en.zip", "d");
    folder.write("win64/core.zip", "c");
    folder.write("common/shared.zip", "s");
    folder.write("common/plain.zip", "p");
    auto adapter = createFolderProductRepoAdapter(folder.u16());
    const ComponentList components{
        component(u"doc", u"abc_doc", u"abc_doc_en.zip", {u"win64"}),
        component(u"core", u"core", u"core.zip", {u"win64"}),
        component(u"shared", u"shared", u"shared.zip", {u"win64", u"mac"}),
        component(u"plain", u"plain", u"plain.zip", {}),
    };
    const auto locations = adapter->getComponentLocations(components);
    ASSERT_EQ(locations.size(), 4u);
    EXPECT_EQ(locations.at(u"doc"), under(folder, "doc_abc/abc_doc_en.zip"));
    EXPECT_EQ(locations.at(u"core"), under(folder, "win64/core.zip"));
    EXPECT_EQ(locations.at(u"shared"), under(folder, "common/shared.zip"));
    EXPECT_EQ(locations.at(u"plain"), under(folder, "common/plain.zip"));
}

TEST_F(FolderAdapter, DocumentationFolderUsesTheWholeNameWithoutUnderscore) {
    folder.write("common/key.enc", "k");
    folder.write("doc_manual/manual_doc_fr.zip", "d");
    auto adapter = createFolderProductRepoAdapter(folder.u16());
    const auto locations =
        adapter->getComponentLocations({component(u"m", u"manual", u"manual_doc_fr.zip", {u"win64"})});
    EXPECT_EQ(locations.at(u"m"), under(folder, "doc_manual/manual_doc_fr.zip"));
}

TEST_F(FolderAdapter, PlainLayoutWithoutEncryptedArchives) {
    folder.write("common/readme.txt", "not encrypted");
    folder.write("common/key.enc.bak", "not an .enc file");
    folder.write("abc_doc_en.zip", "d");
    folder.write("core.zip", "c");
    auto adapter = createFolderProductRepoAdapter(folder.u16());
    const auto locations = adapter->getComponentLocations({
        component(u"doc", u"abc_doc", u"abc_doc_en.zip", {u"win64"}),
        component(u"core", u"core", u"core.zip", {u"win64"}),
    });
    EXPECT_EQ(locations.at(u"doc"), under(folder, "abc_doc_en.zip"));
    EXPECT_EQ(locations.at(u"core"), under(folder, "core.zip"));
}

TEST_F(FolderAdapter, MissingArchiveNamesItsPath) {
    folder.write("core.zip", "c");
    auto adapter = createFolderProductRepoAdapter(folder.u16());
    try {
        adapter->getComponentLocations({
            component(u"core", u"core", u"core.zip", {u"win64"}),
            component(u"gone", u"gone", u"gone.zip", {u"win64"}),
        });
        FAIL() << "no exception";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(error.what(), (folder.path() / "gone.zip").string());
    }
}

}  // namespace
