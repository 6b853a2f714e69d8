#include "install/ulveston/extract.h"

#include <archive.h>
#include <archive_entry.h>
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <memory>

#include "EntryPathGuard.h"
#include "fl/filesystem/basic_path.h"
#include "fl/i18n/conversion.h"

namespace install::ulveston {
namespace {

using ReadArchive = std::unique_ptr<archive, decltype(&archive_read_free)>;
using WriteArchive = std::unique_ptr<archive, decltype(&archive_write_free)>;

// Entries get absolute places inside the destination from EntryPathGuard; libarchive still refuses "..",
// and writing through a symbolic link that is already on disk.
constexpr int kDiskFlags = ARCHIVE_EXTRACT_TIME | ARCHIVE_EXTRACT_SECURE_SYMLINKS | ARCHIVE_EXTRACT_SECURE_NODOTDOT;

[[noreturn]] void fail(archive* a, const std::string& what) {
    const char* reason = archive_error_string(a);
    throw std::runtime_error(what + ": " + (reason ? reason : "unknown archive error"));
}

std::string nativeText(const std::u16string& path) {
    return fl::i18n::to_string(fl::filesystem::detail::make_native_form(path));
}

ReadArchive openArchive(const std::string& path) {
    ReadArchive reader(archive_read_new(), &archive_read_free);
    if (!reader) throw std::runtime_error("cannot read archives");
    // Only self-contained formats: others (mtree among them) can pull data from other files on disk.
    archive_read_support_format_zip(reader.get());
    archive_read_support_format_tar(reader.get());
    archive_read_support_format_gnutar(reader.get());
    archive_read_support_filter_gzip(reader.get());
    archive_read_support_filter_bzip2(reader.get());
    archive_read_support_filter_xz(reader.get());
    if (archive_read_open_filename(reader.get(), path.c_str(), 64 * 1024) != ARCHIVE_OK) {
        fail(reader.get(), "cannot open archive " + path);
    }
    return reader;
}

void copyData(archive* reader, archive* writer, const std::string& entry, std::uint64_t& extracted,
              std::uint64_t limit) {
    const void* block = nullptr;
    size_t size = 0;
    la_int64_t offset = 0;
    for (;;) {
        const int status = archive_read_data_block(reader, &block, &size, &offset);
        if (status == ARCHIVE_EOF) return;
        if (status < ARCHIVE_WARN) fail(reader, "cannot read " + entry);
        // Offsets count too: a far offset would make a sparse file of that length.
        extracted += size;
        if (extracted > limit || offset < 0 || static_cast<std::uint64_t>(offset) + size > limit) {
            throw std::runtime_error("archive expands beyond " + std::to_string(limit) + " bytes at " + entry);
        }
        if (archive_write_data_block(writer, block, size, offset) < ARCHIVE_WARN) fail(writer, "cannot write " + entry);
    }
}

// Points the entry (and its link) at places inside the destination, or refuses it.
void placeEntry(archive_entry* entry, const EntryPathGuard& guard) {
    const char* pathText = archive_entry_pathname(entry);
    const std::string path = pathText ? pathText : "";
    archive_entry_set_pathname(entry, guard.placeOf(path).c_str());
    if (const char* hardlink = archive_entry_hardlink(entry)) {
        archive_entry_set_hardlink(entry, guard.placeOf(hardlink).c_str());
    }
    if (archive_entry_filetype(entry) == AE_IFLNK) {
        const char* target = archive_entry_symlink(entry);
        guard.checkSymlinkTarget(path, target ? target : "");
    }
    const auto type = archive_entry_filetype(entry);
    if (type != AE_IFREG && type != AE_IFDIR && type != AE_IFLNK) {
        throw ArchiveEntryOutsideDestinationException("archive entry " + path + " refused: not a file, folder or link");
    }
    // No set-id bits or write access for others from an archive.
    archive_entry_set_perm(entry, archive_entry_perm(entry) & 0755);
}

}  // namespace

void extract(const std::u16string& archivePath, const std::u16string& destinationPath,
             std::uint64_t maxExtractedBytes) {
    const std::string archiveText = nativeText(archivePath);
    const std::string destinationText = nativeText(destinationPath);
    std::error_code error;
    if (archiveText.empty() || !std::filesystem::is_regular_file(archiveText, error)) {
        throw std::invalid_argument("archive " + archiveText + " is not a file");
    }
    if (destinationText.empty() || !std::filesystem::is_directory(destinationText, error)) {
        throw std::invalid_argument("destination " + destinationText + " is not a folder");
    }
    const auto destination = std::filesystem::canonical(destinationText, error);
    if (error) throw std::invalid_argument("destination " + destinationText + " cannot be resolved");
    const EntryPathGuard guard(destination);

    ReadArchive reader = openArchive(archiveText);
    WriteArchive writer(archive_write_disk_new(), &archive_write_free);
    if (!writer) throw std::runtime_error("cannot write archives");
    archive_write_disk_set_options(writer.get(), kDiskFlags);

    std::uint64_t extracted = 0;
    for (;;) {
        archive_entry* entry = nullptr;
        const int status = archive_read_next_header(reader.get(), &entry);
        if (status == ARCHIVE_EOF) break;
        if (status < ARCHIVE_WARN) fail(reader.get(), "damaged archive " + archiveText);
        const std::string name = archive_entry_pathname(entry) ? archive_entry_pathname(entry) : "";
        placeEntry(entry, guard);
        if (archive_write_header(writer.get(), entry) < ARCHIVE_WARN) fail(writer.get(), "cannot extract " + name);
        copyData(reader.get(), writer.get(), name, extracted, maxExtractedBytes);
        if (archive_write_finish_entry(writer.get()) < ARCHIVE_WARN) fail(writer.get(), "cannot finish " + name);
    }
    if (archive_write_close(writer.get()) != ARCHIVE_OK) fail(writer.get(), "cannot finish extraction");
}

}  // namespace install::ulveston
