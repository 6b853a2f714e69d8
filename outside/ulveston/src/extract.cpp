#include "install/ulveston/extract.h"

#include <archive.h>
#include <archive_entry.h>
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <memory>

#include "EntryPathGuard.h"
#include "PendingLinks.h"
#include "fl/filesystem/basic_path.h"
#include "fl/i18n/conversion.h"

namespace install::ulveston {
namespace {

using ReadArchive = std::unique_ptr<archive, decltype(&archive_read_free)>;
using WriteArchive = std::unique_ptr<archive, decltype(&archive_write_free)>;

// Entries get absolute places inside the destination from EntryPathGuard, and links are made only at the end;
// libarchive still refuses "..", and writing through a symbolic link that was on disk before.
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

// Bounds what the extracted files' lengths add up to. A length declared in a header counts even when no data
// backs it, since the file is made that long when its entry is finished.
class LengthBudget {
public:
    explicit LengthBudget(std::uint64_t limit) : limit_(limit), left_(limit) {}
    void claim(std::uint64_t bytes, const std::string& entry) {
        if (bytes > left_) {
            throw std::runtime_error("archive expands beyond " + std::to_string(limit_) + " bytes at " +
                                     entry);
        }
        left_ -= bytes;
    }

private:
    std::uint64_t limit_;
    std::uint64_t left_;
};

void copyData(archive* reader, archive* writer, const std::string& entry, std::uint64_t declaredLength,
              LengthBudget& budget) {
    std::uint64_t length = declaredLength;
    const void* block = nullptr;
    size_t size = 0;
    la_int64_t offset = 0;
    for (;;) {
        const int status = archive_read_data_block(reader, &block, &size, &offset);
        if (status == ARCHIVE_EOF) return;
        if (status < ARCHIVE_WARN) fail(reader, "cannot read " + entry);
        if (offset < 0) fail(reader, "negative offset in " + entry);
        // A far offset makes a sparse file of that length.
        const std::uint64_t end = static_cast<std::uint64_t>(offset) + size;
        if (end > length) {
            budget.claim(end - length, entry);
            length = end;
        }
        if (archive_write_data_block(writer, block, size, offset) < ARCHIVE_WARN) fail(writer, "cannot write " + entry);
    }
}

std::uint64_t declaredLengthOf(archive_entry* entry) {
    if (!archive_entry_size_is_set(entry) || archive_entry_size(entry) < 0) return 0;
    return static_cast<std::uint64_t>(archive_entry_size(entry));
}

// Points a file, folder or hard link at its place inside the destination, or refuses it.
void placeEntry(archive_entry* entry, const std::string& name, const EntryPathGuard& guard,
                const PendingLinks& links) {
    const std::string place = guard.placeOf(name);
    links.refuseAtOrBelowLink(place, name);
    archive_entry_set_pathname(entry, guard.onDisk(place).c_str());
    if (const char* hardlink = archive_entry_hardlink(entry)) {
        const std::string targetPlace = guard.placeOf(hardlink);
        links.refuseAtOrBelowLink(targetPlace, name);
        // Only to a file extracted before: a hard link to a link would be a second link.
        struct stat target {};
        const auto onDisk = guard.onDisk(targetPlace);
        if (::lstat(onDisk.c_str(), &target) != 0 || !S_ISREG(target.st_mode)) {
            refuseEntry(name + " => " + hardlink, "not a link to a file");
        }
        archive_entry_set_hardlink(entry, onDisk.c_str());
    }
    // No set-id bits or write access for others from an archive; the owner can always read, write and enter.
    const bool folder = archive_entry_filetype(entry) == AE_IFDIR;
    archive_entry_set_perm(entry, (archive_entry_perm(entry) & 0755) | (folder ? 0700 : 0600));
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

    ReadArchive reader = openArchive(archiveText);
    WriteArchive writer(archive_write_disk_new(), &archive_write_free);
    if (!writer) throw std::runtime_error("cannot write archives");
    archive_write_disk_set_options(writer.get(), kDiskFlags);

    const EntryPathGuard guard(destination);
    PendingLinks links(guard);
    LengthBudget budget(maxExtractedBytes);
    for (;;) {
        archive_entry* entry = nullptr;
        const int status = archive_read_next_header(reader.get(), &entry);
        if (status == ARCHIVE_EOF) break;
        if (status < ARCHIVE_WARN) fail(reader.get(), "damaged archive " + archiveText);
        const std::string name = archive_entry_pathname(entry) ? archive_entry_pathname(entry) : "";
        const auto type = archive_entry_filetype(entry);
        if (type == AE_IFLNK) {
            const char* target = archive_entry_symlink(entry);
            links.add(guard.placeOf(name), target ? target : "", name);
            continue;
        }
        // Tar readers leave the type of a hard link unset.
        const bool hardlink = archive_entry_hardlink(entry) != nullptr;
        if (!hardlink && type != AE_IFREG && type != AE_IFDIR)
            refuseEntry(name, "not a file, folder or link");
        placeEntry(entry, name, guard, links);
        const std::uint64_t declaredLength = declaredLengthOf(entry);
        budget.claim(declaredLength, name);
        if (archive_write_header(writer.get(), entry) < ARCHIVE_WARN) fail(writer.get(), "cannot extract " + name);
        copyData(reader.get(), writer.get(), name, declaredLength, budget);
        if (archive_write_finish_entry(writer.get()) < ARCHIVE_WARN) fail(writer.get(), "cannot finish " + name);
    }
    if (archive_write_close(writer.get()) != ARCHIVE_OK) fail(writer.get(), "cannot finish extraction");
    links.makeAll();
}

}  // namespace install::ulveston
