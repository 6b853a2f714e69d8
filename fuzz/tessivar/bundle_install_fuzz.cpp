// Any bytes as a plug-in file, through what installing a bundle reads before it loads the library: the
// resource section, the zip archive in it and the manifest. A refusal must come as one of the two
// exceptions the framework turns into its own message; anything else escaping, or a bundle described
// against the rules, is a fault.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <string_view>

#include "BundleDescription.h"
#include "tovrenna/BundleResources.h"

namespace {

[[noreturn]] void fault(const std::string& what) {
    std::fprintf(stderr, "%s\n", what.c_str());
    std::abort();
}

void expectSound(const tovrenna::Bundle::Description& description, const std::filesystem::path& plugin) {
    if (description.symbolicName.empty() || description.symbolicName.find('/') != std::string::npos) {
        fault("bundle described with symbolic name '" + description.symbolicName + "'");
    }
    if (description.libraryPath != std::filesystem::absolute(plugin).string()) {
        fault("bundle would load " + description.libraryPath);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::filesystem::path plugin = "fuzzed.so";
    const std::string_view image(reinterpret_cast<const char*>(data), size);
    try {
        const std::string resources = tovrenna::readBundleResourcesInMemory(image);
        if (resources.size() > size) fault("the section is larger than the file");
        expectSound(tovrenna::describeBundle(resources, plugin), plugin);
    } catch (const nlohmann::json::exception&) {
        // A manifest that is no JSON or lacks what a bundle needs.
    } catch (const std::runtime_error&) {
        // No ELF file, no section, no archive of one manifest.
    } catch (const std::exception& error) {
        fault(std::string("unexpected failure: ") + error.what());
    }
    return 0;
}
