#include "ArchiveBuilder.h"

#include <archive.h>
#include <archive_entry.h>
#include <stdlib.h>

#include <fstream>
#include <memory>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "fl/i18n/conversion.h"

namespace harlowen_test {
namespace {

void writeEntries(archive* writer, const std::vector<ArchiveEntry>& entries) {
    for (const auto& item : entries) {
        std::unique_ptr<archive_entry, decltype(&archive_entry_free)> entry(archive_entry_new(), &archive_entry_free);
        archive_entry_set_pathname(entry.get(), item.path.c_str());
        archive_entry_set_perm(entry.get(), 0644);
        switch (item.kind) {
            case ArchiveEntry::Kind::File:
                archive_entry_set_filetype(entry.get(), AE_IFREG);
                archive_entry_set_size(entry.get(), static_cast<la_int64_t>(item.content.size()));
                break;
            case ArchiveEntry::Kind::Folder:
                archive_entry_set_filetype(entry.get(), AE_IFDIR);
                archive_entry_set_perm(entry.get(), 0755);
                break;
            case ArchiveEntry::Kind::Symlink:
                archive_entry_set_filetype(entry.get(), AE_IFLNK);
                archive_entry_set_symlink(entry.get(), item.content.c_str());
                break;
            case ArchiveEntry::Kind::Hardlink:
                archive_entry_set_filetype(entry.get(), AE_IFREG);
                archive_entry_set_hardlink(entry.get(), item.content.c_str());
                break;
        }
        if (archive_write_header(writer, entry.get()) != ARCHIVE_OK) {
            throw std::runtime_error(std::string("cannot add ") + item.path + ": " + archive_error_string(writer));
        }
        if (item.kind == ArchiveEntry::Kind::File && !item.content.empty()) {
            archive_write_data(writer, item.content.data(), item.content.size());
        }
    }
}

std::unique_ptr<archive, decltype(&archive_write_free)> newWriter(ArchiveFormat format) {
    std::unique_ptr<archive, decltype(&archive_write_free)> writer(archive_write_new(), &archive_write_free);
    if (format == ArchiveFormat::Zip) {
        archive_write_set_format_zip(writer.get());
    } else {
        archive_write_set_format_pax_restricted(writer.get());
    }
    return writer;
}

}  // namespace

void writeArchive(const std::filesystem::path& file, const std::vector<ArchiveEntry>& entries, ArchiveFormat format) {
    auto writer = newWriter(format);
    if (archive_write_open_filename(writer.get(), file.c_str()) != ARCHIVE_OK) {
        throw std::runtime_error("cannot write " + file.string());
    }
    writeEntries(writer.get(), entries);
    archive_write_close(writer.get());
}

std::string archiveBytes(const std::vector<ArchiveEntry>& entries, ArchiveFormat format) {
    ScratchFolder scratch;
    const auto file = scratch.path() / "archive";
    writeArchive(file, entries, format);
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string productJson(const std::string& name, const std::vector<std::string>& platforms) {
    return nlohmann::json{
        {"name", name},
        {"platforms", platforms},
        {"components", {{{"key", name + "-core"}, {"name", name + "_core"}, {"archive", name + "_core.zip"},
                         {"platforms", platforms}}}},
    }.dump();
}

ScratchFolder::ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "harlowen-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
}

std::u16string ScratchFolder::u16() const { return fl::i18n::to_ustring(path_.string()); }

void ScratchFolder::write(const std::string& relative, const std::string& content) const {
    const auto file = path_ / relative;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << content;
}

}  // namespace harlowen_test
