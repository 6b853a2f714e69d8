// Extracting an archive of 2 000 small product metadata files and one of a single 256 MiB file, each beside
// bsdtar -x of the same archive. After every extraction, outside the timed part, the extracted files and their
// sizes are checked against what went into the archive.
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
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
constexpr std::uintmax_t kLargeFileBytes = std::uintmax_t{256} << 20;

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

// Relative path and size of every regular file under the folder.
using Manifest = std::map<std::string, std::uintmax_t>;

Manifest manifestOf(const fs::path& folder) {
    Manifest files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) files[fs::relative(entry.path(), folder).string()] = entry.file_size();
    }
    return files;
}

void writeProducts(const fs::path& source) {
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
}

// Text that deflate halves, roughly: records of a small alphabet.
void writeLargeFile(const fs::path& source) {
    std::ofstream out(source / "payload.bin", std::ios::binary);
    std::string chunk(1 << 20, '\0');
    std::uint64_t state = 88172645463325252u;
    for (std::uintmax_t written = 0; written < kLargeFileBytes; written += chunk.size()) {
        for (auto& byte : chunk) {
            state ^= state << 13, state ^= state >> 7, state ^= state << 17;
            byte = "0123456789abcdef,\n"[state % 18];
        }
        out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    }
}

// In memory where the system has such a folder: on a disk, files made right after thousands were removed
// spend most of their time in the file system's search for an inode, whoever makes them.
fs::path scratchParent() {
    std::error_code error;
    return fs::is_directory("/dev/shm", error) ? fs::path("/dev/shm") : fs::temp_directory_path();
}

// An archive made once per run, in a folder removed at exit, and the files that went into it.
class TestArchive {
public:
    explicit TestArchive(void (*fill)(const fs::path&)) {
        std::string pattern = (scratchParent() / "harlowen-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        root_ = pattern;
        const fs::path source = root_ / "source";
        fs::create_directories(source);
        fill(source);
        expected_ = manifestOf(source);
        archive_ = root_ / "archive.zip";
        if (runProcess({"bsdtar", "--format", "zip", "-cf", archive_.string(), "-C", source.string(), "."}) != 0) {
            throw std::runtime_error("bsdtar could not make the archive");
        }
        fs::remove_all(source);
    }
    ~TestArchive() { fs::remove_all(root_); }

    const fs::path& archive() const { return archive_; }
    // An empty destination for one extraction.
    fs::path freshDestination() {
        const fs::path destination = root_ / ("dest" + std::to_string(next_++));
        fs::create_directories(destination);
        return destination;
    }
    bool extractedWhole(const fs::path& destination) const { return manifestOf(destination) == expected_; }
    std::size_t fileCount() const { return expected_.size(); }

private:
    fs::path root_;
    fs::path archive_;
    Manifest expected_;
    int next_ = 0;
};

TestArchive& smallFiles() {
    static TestArchive instance(writeProducts);
    return instance;
}

TestArchive& largeFile() {
    static TestArchive instance(writeLargeFile);
    return instance;
}

void extractWithUlveston(const fs::path& archive, const fs::path& destination) {
    install::ulveston::extract(fl::i18n::to_ustring(archive.string()), fl::i18n::to_ustring(destination.string()));
}

void extractWithBsdtar(const fs::path& archive, const fs::path& destination) {
    if (runProcess({"bsdtar", "-x", "-f", archive.string(), "-C", destination.string()}) != 0) {
        throw std::runtime_error("bsdtar failed");
    }
}

// Extractions per second of the same archive: the closing summary divides ours by the baseline's.
void BM_Extract(benchmark::State& state, TestArchive& (*archive)(), void (*extract)(const fs::path&, const fs::path&),
                const std::string& counter) {
    auto& source = archive();
    for (auto _ : state) {
        state.PauseTiming();
        const fs::path destination = source.freshDestination();
        state.ResumeTiming();
        try {
            extract(source.archive(), destination);
        } catch (const std::exception& error) {
            state.SkipWithError(error.what());
            break;
        }
        state.PauseTiming();
        const bool whole = source.extractedWhole(destination);
        fs::remove_all(destination);
        state.ResumeTiming();
        if (!whole) {
            state.SkipWithError("the extracted files differ from the archived ones");
            break;
        }
    }
    state.counters[counter] = benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["files/s"] =
        benchmark::Counter(static_cast<double>(source.fileCount()), benchmark::Counter::kIsIterationInvariantRate);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * fs::file_size(source.archive())));
}

BENCHMARK_CAPTURE(BM_Extract, small_ulveston, smallFiles, extractWithUlveston, std::string("ratio:extract-small:ours"))
    ->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK_CAPTURE(BM_Extract, small_bsdtar, smallFiles, extractWithBsdtar, std::string("ratio:extract-small:baseline"))
    ->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK_CAPTURE(BM_Extract, large_ulveston, largeFile, extractWithUlveston, std::string("ratio:extract-large:ours"))
    ->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK_CAPTURE(BM_Extract, large_bsdtar, largeFile, extractWithBsdtar, std::string("ratio:extract-large:baseline"))
    ->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

}  // namespace
