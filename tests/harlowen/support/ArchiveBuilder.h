#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace harlowen_test {

struct ArchiveEntry {
    enum class Kind { File, Folder, Symlink, Hardlink, Fifo };
    std::string path;
    std::string content;  // file data, or the link target
    Kind kind = Kind::File;
    unsigned permissions = 0;  // 0: 0644 for files, 0755 for folders
};

enum class ArchiveFormat { Zip, Tar };

// Writes the entries exactly as given, whatever their paths.
void writeArchive(const std::filesystem::path& file, const std::vector<ArchiveEntry>& entries,
                  ArchiveFormat format = ArchiveFormat::Zip);
std::string archiveBytes(const std::vector<ArchiveEntry>& entries, ArchiveFormat format = ArchiveFormat::Zip);
// A zip of one stored file whose headers claim a length other than its data's.
std::string zipDeclaringLength(const std::string& name, const std::string& content,
                               std::uint32_t declaredLength);

// The whole file's bytes; empty when it cannot be read.
std::string readFile(const std::filesystem::path& file);

// A product metadata file as the metadata reader expects it, with one component per platform list.
std::string productJson(const std::string& name, const std::vector<std::string>& platforms);

// The web service's install data with the given URL base, default update 7.
std::string installDataJson(const std::string& urlBase, bool signURLs = false);

// A fresh folder below the system's temporary folder, removed with everything in it.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::u16string u16() const;
    // Writes a file below the folder, creating its parents.
    void write(const std::string& relative, const std::string& content) const;

private:
    std::filesystem::path path_;
};

}  // namespace harlowen_test
