#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "ArchiveBuilder.h"
#include "fl/i18n/conversion.h"
#include "install/ulveston/extract.h"

using harlowen_test::ArchiveEntry;
using harlowen_test::ArchiveFormat;
using harlowen_test::readFile;
using harlowen_test::ScratchFolder;
using Kind = harlowen_test::ArchiveEntry::Kind;
namespace fs = std::filesystem;

namespace {

std::u16string u16(const fs::path& path) { return fl::i18n::to_ustring(path.string()); }

// The archive sits beside the destination, in a scratch folder that nothing else uses.
class Extraction : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(destination()); }
    fs::path destination() const { return scratch.path() / "dest"; }
    fs::path archive() const { return scratch.path() / "archive"; }
    void extract(const std::vector<ArchiveEntry>& entries, ArchiveFormat format = ArchiveFormat::Zip) {
        harlowen_test::writeArchive(archive(), entries, format);
        install::ulveston::extract(u16(archive()), u16(destination()));
    }
    // Only the archive and the destination may be in the scratch folder.
    void expectNothingOutside() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(scratch.path())) names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (std::vector<std::string>{"archive", "dest"}));
    }
    ScratchFolder scratch;
};

TEST_F(Extraction, WritesFilesFoldersAndInsideLinks) {
    for (auto format : {ArchiveFormat::Zip, ArchiveFormat::Tar}) {
        fs::remove_all(destination());
        fs::create_directories(destination());
        extract({{"top.txt", "top"},
                 {"sub/", "", Kind::Folder},
                 {"sub/deep/file.txt", "deep"},
                 {"sub/link", "deep/file.txt", Kind::Symlink},
                 {"empty.txt", ""}},
                format);
        EXPECT_EQ(readFile(destination() / "top.txt"), "top");
        EXPECT_EQ(readFile(destination() / "sub/deep/file.txt"), "deep");
        EXPECT_EQ(fs::read_symlink(destination() / "sub/link"), "deep/file.txt");
        EXPECT_TRUE(fs::exists(destination() / "empty.txt"));
        expectNothingOutside();
    }
}

// Long enough to be written while the rest is decompressed, in blocks that do not divide it.
TEST_F(Extraction, LongFilesArriveWhole) {
    std::string content((std::size_t{9} << 20) + 12345, '\0');
    std::uint32_t state = 2463534242u;
    for (auto& byte : content) {
        state ^= state << 13, state ^= state >> 17, state ^= state << 5;
        byte = static_cast<char>(state);
    }
    for (auto format : {ArchiveFormat::Zip, ArchiveFormat::Tar}) {
        fs::remove_all(destination());
        fs::create_directories(destination());
        extract({{"long.bin", content}, {"after.txt", "after"}}, format);
        EXPECT_TRUE(readFile(destination() / "long.bin") == content);
        EXPECT_EQ(readFile(destination() / "after.txt"), "after");
    }
}

TEST_F(Extraction, ExtractingAgainReplacesWhatStandsThere) {
    extract({{"was-folder/", "", Kind::Folder}, {"was-file", "old"}, {"same.txt", "old"}});
    extract({{"was-folder", "now a file"}, {"was-file/", "", Kind::Folder}, {"same.txt", "new"}});
    EXPECT_EQ(readFile(destination() / "was-folder"), "now a file");
    EXPECT_TRUE(fs::is_directory(destination() / "was-file"));
    EXPECT_EQ(readFile(destination() / "same.txt"), "new");
    expectNothingOutside();
}

TEST_F(Extraction, RefusesEveryEntryThatWouldLeaveTheDestination) {
    const std::vector<std::pair<std::string, std::vector<ArchiveEntry>>> cases{
        {"parent", {{"../escaped.txt", "x"}}},
        {"nested parent", {{"a/../../escaped.txt", "x"}}},
        {"inner parent", {{"a/../b.txt", "x"}}},
        {"absolute", {{(fs::path(fs::temp_directory_path()) / "harlowen-escaped.txt").string(), "x"}}},
        {"absolute link", {{"link", "/etc", Kind::Symlink}}},
        {"link upwards", {{"link", "../escaped", Kind::Symlink}}},
        {"deep link upwards", {{"a/b/link", "../../../escaped", Kind::Symlink}}},
        {"through a link",
         {{"sub/", "", Kind::Folder}, {"link", "sub", Kind::Symlink}, {"link/file.txt", "x"}}},
        {"link via link", {{"d/l", "..", Kind::Symlink}, {"l2", "d/l/..", Kind::Symlink}}},
        {"link named with /.", {{"sub/", "", Kind::Folder}, {"p/.", "../escaped", Kind::Symlink}}},
        {"link redirected by a later link",
         {{"q", "d/y/../escaped", Kind::Symlink}, {"d/y", "..", Kind::Symlink}}},
        {"links in a loop out", {{"a", "b/..", Kind::Symlink}, {"b", "a/x", Kind::Symlink}}},
        {"hard link upwards", {{"hard", "../archive", Kind::Hardlink}}},
        {"hard link absolute", {{"hard", "/etc/passwd", Kind::Hardlink}}},
    };
    for (const auto& [name, entries] : cases) {
        // Zip keeps no hard links, so every case also runs as a tar archive.
        for (auto format : {ArchiveFormat::Zip, ArchiveFormat::Tar}) {
            SCOPED_TRACE(name + (format == ArchiveFormat::Zip ? " (zip)" : " (tar)"));
            fs::remove_all(destination());
            fs::create_directories(destination());
            const bool zipHardlink = format == ArchiveFormat::Zip && entries[0].kind == Kind::Hardlink;
            if (zipHardlink) continue;
            EXPECT_THROW(extract(entries, format), install::ulveston::ArchiveEntryOutsideDestinationException);
            expectNothingOutside();
        }
        EXPECT_FALSE(fs::exists(fs::temp_directory_path() / "harlowen-escaped.txt"));
    }
}

// A walk that follows no link: every link found below the destination must resolve inside it.
void expectNoLinkLeadsOut(const fs::path& destination) {
    const auto inside = fs::canonical(destination);
    for (const auto& entry : fs::recursive_directory_iterator(destination)) {
        if (!entry.is_symlink()) continue;
        const auto rest = fs::relative(fs::weakly_canonical(entry.path()), inside);
        EXPECT_FALSE(rest.empty() || *rest.begin() == "..") << entry.path() << " leads out";
    }
}

TEST_F(Extraction, NoLinkLeadingOutIsLeftWhateverTheOrderOfEntries) {
    const std::vector<ArchiveEntry> entries{{"q", "d/y/../escaped", Kind::Symlink},
                                            {"h", "q", Kind::Hardlink},
                                            {"keep", "kept"},
                                            {"d/y", "..", Kind::Symlink}};
    EXPECT_ANY_THROW(extract(entries, ArchiveFormat::Tar));
    expectNoLinkLeadsOut(destination());
    EXPECT_FALSE(fs::exists(fs::symlink_status(destination() / "q")));
    expectNothingOutside();
}

TEST_F(Extraction, LinksMayChainInsideInAnyOrder) {
    extract({{"top", "sub/inner/file.txt", Kind::Symlink},
             {"sub/inner/file.txt", "deep"},
             {"alias", "sub", Kind::Symlink},
             {"via", "alias/inner/../inner/file.txt", Kind::Symlink}});
    EXPECT_EQ(readFile(destination() / "top"), "deep");
    EXPECT_EQ(readFile(destination() / "via"), "deep");
    expectNoLinkLeadsOut(destination());
}

TEST_F(Extraction, LinksAlreadyInTheDestinationCountToo) {
    fs::create_directory_symlink(scratch.path(), destination() / "out");
    for (const auto& entries : std::vector<std::vector<ArchiveEntry>>{{{"l", "out/escaped", Kind::Symlink}},
                                                                      {{"out/escaped.txt", "x"}}}) {
        EXPECT_THROW(extract(entries, ArchiveFormat::Tar),
                     install::ulveston::ArchiveEntryOutsideDestinationException);
        EXPECT_FALSE(fs::exists(fs::symlink_status(destination() / "l")));
        expectNothingOutside();
    }
}

TEST_F(Extraction, HardLinksGoOnlyToFilesExtractedBefore) {
    extract({{"a.txt", "same"}, {"b.txt", "a.txt", Kind::Hardlink}}, ArchiveFormat::Tar);
    EXPECT_EQ(readFile(destination() / "b.txt"), "same");
    EXPECT_EQ(fs::hard_link_count(destination() / "a.txt"), 2u);
    EXPECT_THROW(extract({{"sub/", "", Kind::Folder}, {"c", "sub", Kind::Hardlink}}, ArchiveFormat::Tar),
                 install::ulveston::ArchiveEntryOutsideDestinationException);
}

TEST_F(Extraction, CheckingLinksHasABound) {
    std::string deep;
    for (int i = 0; i < 2000; ++i) deep += "x/";
    std::vector<ArchiveEntry> entries;
    for (int i = 0; i < 600; ++i) entries.push_back({"link" + std::to_string(i), deep, Kind::Symlink});
    EXPECT_THROW(extract(entries, ArchiveFormat::Tar),
                 install::ulveston::ArchiveEntryOutsideDestinationException);
    EXPECT_TRUE(fs::is_empty(destination()));
}

TEST_F(Extraction, ADeclaredLengthCountsAgainstTheLimit) {
    std::ofstream(archive(), std::ios::binary) << harlowen_test::zipDeclaringLength("big.txt", "tiny", 5000);
    EXPECT_THROW(install::ulveston::extract(u16(archive()), u16(destination()), 4096), std::runtime_error);
    const auto big = destination() / "big.txt";
    EXPECT_FALSE(fs::exists(big) && fs::file_size(big) > 4096) << "the declared length was written";
    expectNothingOutside();
}

TEST_F(Extraction, LengthsOfAllFilesAddUp) {
    harlowen_test::writeArchive(archive(),
                                {{"a.txt", std::string(700, 'a')}, {"b.txt", std::string(700, 'b')}});
    EXPECT_THROW(install::ulveston::extract(u16(archive()), u16(destination()), 1000), std::runtime_error);
}

TEST_F(Extraction, FoldersStayUsableWhateverTheirStoredPermissions) {
    extract({{"locked/", "", Kind::Folder, 0}, {"locked/file.txt", "x", Kind::File, 0200}},
            ArchiveFormat::Tar);
    EXPECT_EQ(readFile(destination() / "locked/file.txt"), "x");
    EXPECT_NO_THROW(fs::remove_all(destination()));
}

TEST_F(Extraction, DamagedArchivesAreRuntimeErrorsNotArgumentErrors) {
    const std::string good = harlowen_test::archiveBytes({{"a.txt", std::string(4000, 'a')}, {"b.txt", "b"}});
    const std::vector<std::pair<std::string, std::string>> damaged{
        {"truncated", good.substr(0, good.size() / 2)},
        {"garbage", std::string(512, '\x5a')},
        {"empty", ""},
    };
    for (const auto& [name, bytes] : damaged) {
        SCOPED_TRACE(name);
        std::ofstream(archive(), std::ios::binary) << bytes;
        try {
            install::ulveston::extract(u16(archive()), u16(destination()));
            FAIL() << "no exception";
        } catch (const std::invalid_argument&) {
            FAIL() << "reported as an argument error";
        } catch (const std::runtime_error&) {
        }
        expectNothingOutside();
    }
}

TEST_F(Extraction, StopsWhenTheArchiveExpandsBeyondTheLimit) {
    harlowen_test::writeArchive(archive(), {{"a.txt", std::string(600, 'a')}, {"b.txt", std::string(600, 'b')}});
    EXPECT_NO_THROW(install::ulveston::extract(u16(archive()), u16(destination()), 1200));
    EXPECT_THROW(install::ulveston::extract(u16(archive()), u16(destination()), 1199), std::runtime_error);
    expectNothingOutside();
}

TEST_F(Extraction, MissingArchiveOrDestinationAreArgumentErrors) {
    EXPECT_THROW(install::ulveston::extract(u16(archive()), u16(destination())), std::invalid_argument);
    harlowen_test::writeArchive(archive(), {{"a.txt", "a"}});
    EXPECT_THROW(install::ulveston::extract(u16(archive()), u16(scratch.path() / "missing")), std::invalid_argument);
    EXPECT_THROW(install::ulveston::extract(u"", u16(destination())), std::invalid_argument);
}

}  // namespace
