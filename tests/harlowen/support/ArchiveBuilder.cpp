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
        switch (item.kind) {
            case ArchiveEntry::Kind::File:
                archive_entry_set_filetype(entry.get(), AE_IFREG);
                archive_entry_set_size(entry.get(), static_cast<la_int64_t>(item.content.size()));
                break;
            case ArchiveEntry::Kind::Folder:
                archive_entry_set_filetype(entry.get(), AE_IFDIR);
                break;
            case ArchiveEntry::Kind::Symlink:
                archive_entry_set_filetype(entry.get(), AE_IFLNK);
                archive_entry_set_symlink(entry.get(), item.content.c_str());
                break;
            case ArchiveEntry::Kind::Hardlink:
                archive_entry_set_filetype(entry.get(), AE_IFREG);
                archive_entry_set_hardlink(entry.get(), item.content.c_str());
                break;
            case ArchiveEntry::Kind::Fifo:
                archive_entry_set_filetype(entry.get(), AE_IFIFO);
                break;
        }
        const unsigned defaultPermissions = item.kind == ArchiveEntry::Kind::Folder ? 0755 : 0644;
        archive_entry_set_perm(entry.get(), item.permissions != 0 ? item.permissions : defaultPermissions);
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
        // Names go in as the bytes they are, UTF-8 or not.
        archive_write_set_format_option(writer.get(), "pax", "hdrcharset", "BINARY");
    }
    return writer;
}

std::uint32_t crc32(const std::string& data) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : data) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void putLittleEndian(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

}  // namespace

std::string zipDeclaringLength(const std::string& name, const std::string& content,
                               std::uint32_t declaredLength) {
    const auto size = static_cast<std::uint32_t>(content.size());
    const auto nameLength = static_cast<std::uint32_t>(name.size());
    // Version 2.0, no flags, stored, a valid DOS date, CRC, stored size, claimed length.
    auto common = [&](std::string& out) {
        putLittleEndian(out, 20, 2);
        putLittleEndian(out, 0, 2);
        putLittleEndian(out, 0, 2);
        putLittleEndian(out, 0, 2);
        putLittleEndian(out, 0x21, 2);
        putLittleEndian(out, crc32(content), 4);
        putLittleEndian(out, size, 4);
        putLittleEndian(out, declaredLength, 4);
        putLittleEndian(out, nameLength, 2);
        putLittleEndian(out, 0, 2);
    };
    std::string zip;
    putLittleEndian(zip, 0x04034b50, 4);
    common(zip);
    zip += name + content;
    const auto centralAt = static_cast<std::uint32_t>(zip.size());
    putLittleEndian(zip, 0x02014b50, 4);
    putLittleEndian(zip, 20, 2);
    common(zip);
    putLittleEndian(zip, 0, 2);  // comment length
    putLittleEndian(zip, 0, 2);  // disk
    putLittleEndian(zip, 0, 2);  // internal attributes
    putLittleEndian(zip, 0, 4);  // external attributes
    putLittleEndian(zip, 0, 4);  // local header offset
    zip += name;
    const auto centralSize = static_cast<std::uint32_t>(zip.size()) - centralAt;
    putLittleEndian(zip, 0x06054b50, 4);
    putLittleEndian(zip, 0, 4);  // disks
    putLittleEndian(zip, 1, 2);
    putLittleEndian(zip, 1, 2);
    putLittleEndian(zip, centralSize, 4);
    putLittleEndian(zip, centralAt, 4);
    putLittleEndian(zip, 0, 2);
    return zip;
}

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
    return readFile(file);
}

std::string readFile(const std::filesystem::path& file) {
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

std::string installDataJson(const std::string& urlBase, bool signURLs) {
    return nlohmann::json{
        {"urlBase", urlBase},
        {"urlSigning", {{"signed", signURLs}, {"tokenType", 0}, {"window", 600}}},
        {"languageCodes", {"en_US", "ja_JP"}},
        {"defaultUpdate", 7},
    }
        .dump();
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
