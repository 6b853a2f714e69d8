#include "install/ulveston/extract.h"

#include <archive.h>
#include <archive_entry.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>

#include "BackgroundWriter.h"
#include "DiskWriter.h"
#include "EntryPathGuard.h"
#include "PendingLinks.h"
#include "fl/filesystem/basic_path.h"
#include "fl/i18n/conversion.h"

namespace install::ulveston {
namespace {

using ReadArchive = std::unique_ptr<archive, decltype(&archive_read_free)>;

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

// Files declared at least this long are written while the rest is decompressed.
constexpr std::uint64_t kBackgroundWriteFrom = std::uint64_t{8} << 20;

// The file ends up as long as its declared length or its farthest block, whichever is longer.
void copyData(archive* reader, int file, const std::string& entry, std::uint64_t declaredLength,
              LengthBudget& budget) {
    std::optional<BackgroundWriter> background;
    if (declaredLength >= kBackgroundWriteFrom) {
        try {
            background.emplace(file, entry);
        } catch (const std::system_error&) {
            // No thread to spare: written here instead.
        }
    }
    std::uint64_t length = declaredLength;
    std::uint64_t written = 0;
    const void* block = nullptr;
    size_t size = 0;
    la_int64_t offset = 0;
    for (;;) {
        const int status = archive_read_data_block(reader, &block, &size, &offset);
        if (status == ARCHIVE_EOF) break;
        if (status < ARCHIVE_WARN) fail(reader, "cannot read " + entry);
        if (offset < 0) fail(reader, "negative offset in " + entry);
        // A far offset makes a sparse file of that length.
        const std::uint64_t end = static_cast<std::uint64_t>(offset) + size;
        if (end > length) {
            budget.claim(end - length, entry);
            length = end;
        }
        const auto* data = static_cast<const char*>(block);
        if (background) {
            background->write(data, size, static_cast<std::uint64_t>(offset));
        } else {
            writeAll(file, data, size, static_cast<std::uint64_t>(offset), entry);
        }
        written = std::max(written, end);
    }
    if (background) background->finish();
    if (written < length && ::ftruncate(file, static_cast<off_t>(length)) != 0)
        throw std::runtime_error("cannot lengthen " + entry + ": " + std::strerror(errno));
}

std::uint64_t declaredLengthOf(archive_entry* entry) {
    if (!archive_entry_size_is_set(entry) || archive_entry_size(entry) < 0) return 0;
    return static_cast<std::uint64_t>(archive_entry_size(entry));
}

EntryTimes timesOf(archive_entry* entry) {
    EntryTimes times{timespec{0, UTIME_OMIT}, timespec{0, UTIME_OMIT}};
    if (archive_entry_atime_is_set(entry)) times[0] = {archive_entry_atime(entry), archive_entry_atime_nsec(entry)};
    if (archive_entry_mtime_is_set(entry)) times[1] = {archive_entry_mtime(entry), archive_entry_mtime_nsec(entry)};
    if (times[0].tv_nsec == UTIME_OMIT && times[1].tv_nsec != UTIME_OMIT) times[0].tv_nsec = UTIME_NOW;
    return times;
}

// Makes a file, folder or hard link at its place inside the destination, or refuses it.
void writeEntry(archive* reader, archive_entry* entry, const std::string& name, const EntryPathGuard& guard,
                const PendingLinks& links, DiskWriter& disk, LengthBudget& budget) {
    const std::string place = guard.placeOf(name);
    links.refuseAtOrBelowLink(place, name);
    // No set-id bits or write access for others from an archive; the owner can always read, write and enter.
    const bool folder = archive_entry_filetype(entry) == AE_IFDIR;
    const auto mode = static_cast<mode_t>((archive_entry_perm(entry) & 0755) | (folder ? 0700 : 0600));
    const char* hardlink = archive_entry_hardlink(entry);
    std::string targetPlace;
    if (hardlink) {
        targetPlace = guard.placeOf(hardlink);
        links.refuseAtOrBelowLink(targetPlace, name);
        // Only to a file extracted before: a hard link to a link would be a second link.
        struct stat target {};
        if (::lstat(guard.onDisk(targetPlace).c_str(), &target) != 0 || !S_ISREG(target.st_mode)) {
            refuseEntry(name + " => " + hardlink, "not a link to a file");
        }
    }
    const std::uint64_t declaredLength = declaredLengthOf(entry);
    budget.claim(declaredLength, name);
    if (hardlink) {
        disk.linkFile(place, targetPlace, name);
    } else if (folder) {
        disk.makeFolder(place, mode, timesOf(entry), name);
    } else {
        const Descriptor file = disk.createFile(place, mode, name);
        copyData(reader, file.get(), name, declaredLength, budget);
        disk.finishFile(file, timesOf(entry), name);
    }
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
    const EntryPathGuard guard(destination);
    PendingLinks links(guard);
    DiskWriter disk(destination);
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
        writeEntry(reader.get(), entry, name, guard, links, disk, budget);
    }
    disk.finish();
    links.makeAll();
}

}  // namespace install::ulveston
