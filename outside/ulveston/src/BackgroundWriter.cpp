#include "BackgroundWriter.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace install::ulveston {
namespace {

constexpr size_t kChunkBytes = size_t{1} << 20;
constexpr size_t kChunks = 4;

}  // namespace

void writeAll(int file, const char* data, size_t size, std::uint64_t offset, const std::string& entry) {
    while (size > 0) {
        const ssize_t written = ::pwrite(file, data, size, static_cast<off_t>(offset));
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) throw std::runtime_error("cannot write " + entry + ": " + std::strerror(errno));
        data += written;
        size -= static_cast<size_t>(written);
        offset += static_cast<std::uint64_t>(written);
    }
}

BackgroundWriter::BackgroundWriter(int file, std::string entry) : file_(file), entry_(std::move(entry)) {
    filling_.bytes.resize(kChunkBytes);
    for (size_t i = 1; i < kChunks; ++i) spare_.push_back(Chunk{std::vector<char>(kChunkBytes)});
    thread_ = std::thread([this] { run(); });
}

BackgroundWriter::~BackgroundWriter() {
    {
        const std::lock_guard lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void BackgroundWriter::write(const char* data, size_t size, std::uint64_t offset) {
    while (size > 0) {
        if (filling_.size > 0 && (filling_.size == kChunkBytes || filling_.offset + filling_.size != offset))
            handOver();
        if (filling_.size == 0) filling_.offset = offset;
        const size_t part = std::min(size, kChunkBytes - filling_.size);
        std::memcpy(filling_.bytes.data() + filling_.size, data, part);
        filling_.size += part;
        data += part;
        size -= part;
        offset += part;
    }
}

void BackgroundWriter::finish() {
    if (filling_.size > 0) handOver();
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return (full_.empty() && !busy_) || !failure_.empty(); });
    throwFailure();
}

// Queues the filled chunk and takes a spare one, waiting while the thread is behind.
void BackgroundWriter::handOver() {
    std::unique_lock lock(mutex_);
    full_.push_back(std::move(filling_));
    changed_.notify_all();
    changed_.wait(lock, [this] { return !spare_.empty() || !failure_.empty(); });
    throwFailure();
    filling_ = std::move(spare_.back());
    spare_.pop_back();
    filling_.size = 0;
}

void BackgroundWriter::throwFailure() const {
    if (!failure_.empty()) throw std::runtime_error(failure_);
}

void BackgroundWriter::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return !full_.empty() || closing_; });
        if (closing_ || !failure_.empty()) return;
        Chunk chunk = std::move(full_.front());
        full_.pop_front();
        busy_ = true;
        lock.unlock();
        std::string failure;
        try {
            writeAll(file_, chunk.bytes.data(), chunk.size, chunk.offset, entry_);
        } catch (const std::runtime_error& error) {
            failure = error.what();
        }
        lock.lock();
        busy_ = false;
        failure_ = std::move(failure);
        spare_.push_back(std::move(chunk));
        changed_.notify_all();
    }
}

}  // namespace install::ulveston
