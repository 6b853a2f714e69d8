// Any bytes as a product metadata archive: extraction may fail, but must never write beside its destination.
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "fl/i18n/conversion.h"
#include "install/ulveston/extract.h"

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string root = (fs::temp_directory_path() / "harlowen-fuzz-XXXXXX").string();
    if (::mkdtemp(root.data()) == nullptr) return 0;
    const fs::path archive = fs::path(root) / "input";
    const fs::path destination = fs::path(root) / "dest";
    std::ofstream(archive, std::ios::binary).write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    fs::create_directory(destination);
    try {
        install::ulveston::extract(fl::i18n::to_ustring(archive.string()), fl::i18n::to_ustring(destination.string()));
    } catch (const std::exception&) {
        // Refusals and damaged archives are expected.
    }
    size_t entries = 0;
    for (const auto& entry : fs::directory_iterator(root)) {
        (void)entry;
        ++entries;
    }
    if (entries != 2 || !fs::is_directory(fs::symlink_status(destination))) {
        std::fprintf(stderr, "extraction wrote beside its destination in %s\n", root.c_str());
        std::abort();
    }
    fs::remove_all(root);
    return 0;
}
