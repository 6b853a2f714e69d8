// Any bytes as the downloaded product metadata archive, through the online adapter's extraction and reading
// of products: every failure must be a coded adapter exception, no product may come from the sentinel folder
// beside the adapter's folder, nothing may appear beside it and no link may lead out of it.
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "OnlineProductRepoAdapter.h"
#include "fl/i18n/conversion.h"
#include "install/harlowen/RepoAdapterExceptions.h"
#include "install/ulveston/extract.h"

namespace fs = std::filesystem;

namespace {

// One folder for the whole run: the adapter empties its folder itself before each attempt.
struct Scene {
    Scene() {
        std::string pattern = (fs::temp_directory_path() / "harlowen-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        root = pattern;
        adapterFolder = root / "work";
        sentinel = root / "sentinel";
        fs::create_directory(adapterFolder);
        fs::permissions(adapterFolder, fs::perms::owner_all);
        fs::create_directory(sentinel);
        std::ofstream(sentinel / "secret.product.json")
            << R"({"name": "secret", "platforms": ["win64"], "components": []})";
    }
    ~Scene() {
        std::error_code error;
        fs::remove_all(root, error);
    }
    fs::path root;
    fs::path adapterFolder;
    fs::path sentinel;
};

class FuzzedAdapter : public install::harlowen::OnlineProductRepoAdapter {
public:
    FuzzedAdapter(const Scene& scene, const uint8_t* data, size_t size)
        : OnlineProductRepoAdapter(u"R", u"S", u"installer", u"token", u"1", u"fuzz", 1),
          scene_(scene),
          data_(reinterpret_cast<const char*>(data), size) {}

protected:
    install::zarrinel::BrandethInstallDataResponse callBrandethClient(
        const install::zarrinel::BrandethConfiguration&) override {
        return {
            "http://fuzz.invalid", {false, install::akamaitoken::TokenGeneratorType::QueryString, 0}, {}, 1};
    }
    void downloadFile(const std::string&, const std::u16string& target) override {
        std::ofstream(fl::i18n::to_string(target), std::ios::binary)
            .write(data_.data(), static_cast<std::streamsize>(data_.size()));
    }
    void logInstallerMessage(const std::wstring&) override {}
    std::u16string getTempFolder() override { return fl::i18n::to_ustring(scene_.adapterFolder.string()); }

private:
    const Scene& scene_;
    std::string data_;
};

[[noreturn]] void fault(const std::string& what) {
    std::fprintf(stderr, "%s\n", what.c_str());
    std::abort();
}

void expectContained(const Scene& scene, size_t inputSize) {
    size_t entries = 0;
    for (const auto& entry : fs::directory_iterator(scene.root)) {
        (void)entry;
        ++entries;
    }
    if (entries != 2 || !fs::is_directory(fs::symlink_status(scene.adapterFolder)) ||
        !fs::is_regular_file(fs::symlink_status(scene.sentinel / "secret.product.json"))) {
        fault("something changed beside the adapter's folder in " + scene.root.string());
    }
    const auto inside = fs::canonical(scene.adapterFolder);
    std::set<ino_t> counted;
    std::uintmax_t lengths = 0;
    for (const auto& entry : fs::recursive_directory_iterator(scene.adapterFolder)) {
        struct stat info {};
        if (::lstat(entry.path().c_str(), &info) != 0) fault("cannot inspect " + entry.path().string());
        if (S_ISREG(info.st_mode) && counted.insert(info.st_ino).second)
            lengths += static_cast<std::uintmax_t>(info.st_size);
        if (!S_ISLNK(info.st_mode)) continue;
        std::error_code error;
        const auto rest = fs::relative(fs::weakly_canonical(entry.path(), error), inside);
        if (!error && (rest.empty() || *rest.begin() == "..")) fault(entry.path().string() + " leads out");
    }
    // The downloaded archive itself lies there too.
    if (lengths > install::ulveston::kMaxExtractedBytes + inputSize)
        fault("the files grew past the extraction limit");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const Scene scene;
    FuzzedAdapter adapter(scene, data, size);
    try {
        if (adapter.getProducts().contains(u"secret"))
            fault("a product from outside the adapter's folder was read");
    } catch (const install::harlowen::RepoAdapterException&) {
        // Refusals and damaged archives are expected, coded.
    } catch (const std::exception& error) {
        fault(std::string("uncoded failure: ") + error.what());
    }
    expectContained(scene, size);
    return 0;
}
