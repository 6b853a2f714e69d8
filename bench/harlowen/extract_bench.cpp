// Extracting a product metadata archive of 2 000 products, beside bsdtar on the same file.
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include "fl/i18n/conversion.h"
#include "install/ulveston/extract.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
constexpr int kProducts = 2000;

int runProcess(std::vector<std::string> arguments) {
    std::vector<char*> argv;
    for (auto& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t child = 0;
    if (::posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The archive is made once per run, in a folder removed at exit.
class MetadataArchive {
public:
    MetadataArchive() {
        std::string pattern = (fs::temp_directory_path() / "harlowen-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        root_ = pattern;
        const fs::path source = root_ / "source";
        fs::create_directories(source);
        for (int i = 0; i < kProducts; ++i) {
            const std::string name = "product" + std::to_string(i);
            nlohmann::json components = nlohmann::json::array();
            for (int c = 0; c < 4; ++c) {
                const std::string component = name + "_part" + std::to_string(c);
                components.push_back({{"key", component}, {"name", component}, {"archive", component + ".zip"},
                                      {"platforms", {"win64"}}});
            }
            std::ofstream(source / (name + ".product.json"))
                << nlohmann::json{{"name", name}, {"platforms", {"win64", "mac"}}, {"components", components}}.dump(2);
        }
        archive_ = root_ / "brandeth.zip";
        if (runProcess({"bsdtar", "--format", "zip", "-cf", archive_.string(), "-C", source.string(), "."}) != 0) {
            throw std::runtime_error("bsdtar could not make the archive");
        }
        fs::remove_all(source);
    }
    ~MetadataArchive() { fs::remove_all(root_); }

    const fs::path& archive() const { return archive_; }
    // An empty destination for one extraction.
    fs::path freshDestination() {
        const fs::path destination = root_ / ("dest" + std::to_string(next_++));
        fs::create_directories(destination);
        return destination;
    }

private:
    fs::path root_;
    fs::path archive_;
    int next_ = 0;
};

MetadataArchive& metadata() {
    static MetadataArchive instance;
    return instance;
}

void BM_ExtractWithUlveston(benchmark::State& state) {
    auto& source = metadata();
    const auto archive = fl::i18n::to_ustring(source.archive().string());
    for (auto _ : state) {
        state.PauseTiming();
        const fs::path destination = source.freshDestination();
        state.ResumeTiming();
        install::ulveston::extract(archive, fl::i18n::to_ustring(destination.string()));
        state.PauseTiming();
        fs::remove_all(destination);
        state.ResumeTiming();
    }
    state.counters["products/s"] = benchmark::Counter(kProducts, benchmark::Counter::kIsIterationInvariantRate);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * fs::file_size(source.archive())));
}

void BM_ExtractWithBsdtarProcess(benchmark::State& state) {
    auto& source = metadata();
    for (auto _ : state) {
        state.PauseTiming();
        const fs::path destination = source.freshDestination();
        state.ResumeTiming();
        if (runProcess({"bsdtar", "-x", "-f", source.archive().string(), "-C", destination.string()}) != 0) {
            state.SkipWithError("bsdtar failed");
            break;
        }
        state.PauseTiming();
        fs::remove_all(destination);
        state.ResumeTiming();
    }
    state.counters["products/s"] = benchmark::Counter(kProducts, benchmark::Counter::kIsIterationInvariantRate);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * fs::file_size(source.archive())));
}

BENCHMARK(BM_ExtractWithUlveston)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_ExtractWithBsdtarProcess)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

}  // namespace
