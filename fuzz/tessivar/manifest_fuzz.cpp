// Any bytes as the manifest of a bundle named "b", zipped as the resource archive would hold it, through
// the reading of the bundle's description. The archive checks its members' checksums, so mutations of a
// zipped manifest seldom get this far through the plug-in target; here every input does.
#include <archive.h>
#include <archive_entry.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>

#include "BundleDescription.h"

namespace {

[[noreturn]] void fault(const std::string& what) {
    std::fprintf(stderr, "%s\n", what.c_str());
    std::abort();
}

std::string zipAsManifest(const uint8_t* data, size_t size) {
    std::unique_ptr<archive, decltype(&archive_write_free)> writer(archive_write_new(), &archive_write_free);
    std::string zip(size + 1024, '\0');
    size_t used = 0;
    std::unique_ptr<archive_entry, decltype(&archive_entry_free)> entry(archive_entry_new(), &archive_entry_free);
    archive_entry_set_pathname(entry.get(), "b/manifest.json");
    archive_entry_set_filetype(entry.get(), AE_IFREG);
    archive_entry_set_perm(entry.get(), 0644);
    archive_entry_set_size(entry.get(), static_cast<la_int64_t>(size));
    if (archive_write_set_format_zip(writer.get()) != ARCHIVE_OK ||
        archive_write_zip_set_compression_store(writer.get()) != ARCHIVE_OK ||
        archive_write_open_memory(writer.get(), zip.data(), zip.size(), &used) != ARCHIVE_OK ||
        archive_write_header(writer.get(), entry.get()) != ARCHIVE_OK ||
        archive_write_data(writer.get(), data, size) != static_cast<la_ssize_t>(size) ||
        archive_write_close(writer.get()) != ARCHIVE_OK) {
        fault(std::string("cannot zip the manifest: ") + archive_error_string(writer.get()));
    }
    zip.resize(used);
    return zip;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string zip = zipAsManifest(data, size);
    try {
        const auto description = tovrenna::describeBundle(zip, "fuzzed.so");
        if (description.symbolicName != "b") fault("bundle described as " + description.symbolicName);
    } catch (const nlohmann::json::exception&) {
        // Not JSON, or not the shape of a bundle manifest.
    } catch (const std::runtime_error&) {
        // Filed under another name, or a component the framework does not take.
    } catch (const std::exception& error) {
        fault(std::string("unexpected failure: ") + error.what());
    }
    return 0;
}
