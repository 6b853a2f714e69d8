#include <fstream>

#include <gtest/gtest.h>

#include "fl/filesystem/basic_path.h"

using fl::filesystem::basic_path;

TEST(BasicPath, JoinsWithOneSeparator) {
    EXPECT_EQ((basic_path(u"a") / basic_path(u"b")).native(), u"a/b");
    EXPECT_EQ((basic_path(u"a/") / basic_path(u"/b")).native(), u"a/b");
    EXPECT_EQ((basic_path() / basic_path(u"b")).native(), u"b");
}

TEST(BasicPath, NativeFormUsesSlashes) {
    EXPECT_EQ(fl::filesystem::detail::make_native_form(u"C:\\dir\\\\file.txt"), u"C:/dir/file.txt");
}

TEST(BasicPath, CreatesAndRemovesFolders) {
    const basic_path root(u"/tmp/nandrove_test_folder");
    fl::filesystem::remove_all(root);
    const basic_path nested = root / basic_path(u"x/y");
    EXPECT_FALSE(fl::filesystem::exists(nested));
    EXPECT_TRUE(fl::filesystem::create_directories(nested));
    std::ofstream(nested.string() + "/f") << "data";
    EXPECT_TRUE(fl::filesystem::is_directory(nested));
    EXPECT_EQ(fl::filesystem::remove_all(root), 4u);
    EXPECT_FALSE(fl::filesystem::exists(root));
    EXPECT_EQ(fl::filesystem::remove_all(root), 0u);
}
