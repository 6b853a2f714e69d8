#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace install::ulveston {

// Writes all of size bytes at offset; throws std::runtime_error naming the entry.
void writeAll(int file, const char* data, size_t size, std::uint64_t offset, const std::string& entry);

// Writes a long file's blocks on a thread of its own while the next ones are decompressed. Blocks are copied
// into a few large buffers, so the caller may reuse its own at once.
class BackgroundWriter {
public:
    BackgroundWriter(int file, std::string entry);
    ~BackgroundWriter();
    BackgroundWriter(const BackgroundWriter&) = delete;
    BackgroundWriter& operator=(const BackgroundWriter&) = delete;

    // Throws the writing thread's failure, if any.
    void write(const char* data, size_t size, std::uint64_t offset);
    // Returns once everything handed over is on disk, or throws its failure.
    void finish();

private:
    struct Chunk {
        std::vector<char> bytes;
        size_t size = 0;
        std::uint64_t offset = 0;
    };
    void handOver();
    void run();
    void throwFailure() const;

    const int file_;
    const std::string entry_;
    Chunk filling_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Chunk> full_;
    std::vector<Chunk> spare_;
    bool closing_ = false;
    bool busy_ = false;
    std::string failure_;
    std::thread thread_;
};

}  // namespace install::ulveston
