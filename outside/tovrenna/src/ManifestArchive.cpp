#include "ManifestArchive.h"

#include <archive.h>
#include <archive_entry.h>

#include <memory>
#include <stdexcept>

namespace tovrenna {
namespace {

constexpr std::size_t maxManifestSize = 1 << 20;
const std::string manifestName = "/manifest.json";

using Reader = std::unique_ptr<archive, decltype(&archive_read_free)>;

std::string failure(const std::string& what, archive* reader) {
    const char* reason = archive_error_string(reader);
    return what + ": " + (reason ? reason : "unknown error");
}

Reader openZip(const std::string& bytes) {
    Reader reader(archive_read_new(), &archive_read_free);
    if (!reader) throw std::runtime_error("out of memory");
    archive_read_support_format_zip(reader.get());
    if (archive_read_open_memory(reader.get(), bytes.data(), bytes.size()) != ARCHIVE_OK) {
        throw std::runtime_error(failure("the resources are no zip archive", reader.get()));
    }
    return reader;
}

// False at the end of the archive.
bool nextMember(archive* reader, archive_entry** entry) {
    const int status = archive_read_next_header(reader, entry);
    if (status == ARCHIVE_EOF) return false;
    if (status < ARCHIVE_WARN) {
        throw std::runtime_error(failure("broken resource archive", reader));
    }
    return true;
}

std::string readMember(archive* reader) {
    std::string text;
    char block[8192];
    for (;;) {
        const la_ssize_t got = archive_read_data(reader, block, sizeof block);
        if (got < 0) throw std::runtime_error(failure("broken resource archive", reader));
        if (got == 0) return text;
        // The declared size cannot be trusted; count what actually inflates.
        if (text.size() + static_cast<std::size_t>(got) > maxManifestSize) {
            throw std::runtime_error("the bundle manifest exceeds 1 MiB");
        }
        text.append(block, static_cast<std::size_t>(got));
    }
}

bool namesAManifest(const std::string& path) {
    return path.size() > manifestName.size() && path.ends_with(manifestName) &&
           path.find('/') == path.size() - manifestName.size();
}

}  // namespace

ArchivedManifest unpackManifest(const std::string& archive) {
    auto reader = openZip(archive);
    archive_entry* entry = nullptr;
    if (!nextMember(reader.get(), &entry)) throw std::runtime_error("the resource archive is empty");
    ArchivedManifest manifest;
    const char* path = archive_entry_pathname(entry);
    manifest.path = path ? path : "";
    if (archive_entry_filetype(entry) != AE_IFREG || !namesAManifest(manifest.path)) {
        throw std::runtime_error("the resource archive holds " + manifest.path + ", not <bundle>/manifest.json");
    }
    manifest.text = readMember(reader.get());
    if (nextMember(reader.get(), &entry)) throw std::runtime_error("the resource archive holds more than the manifest");
    return manifest;
}

}  // namespace tovrenna
