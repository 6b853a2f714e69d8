#pragma once

#include <cstddef>
#include <string>

#include "fl/filesystem/basic_path.h"

namespace ravo::detail {

// The persistence file: one line per item, handed to the system in one append before append returns, so that
// nothing waits in a buffer and a failed line is never retried into the middle of a later one.
class DataFile {
public:
    DataFile() = default;
    DataFile(const DataFile&) = delete;
    DataFile& operator=(const DataFile&) = delete;
    ~DataFile();

    // Creates missing parent folders; throws std::runtime_error when the file cannot be opened for appending.
    void open(const fl::filesystem::basic_path& path);
    bool isOpen() const { return descriptor_ >= 0; }

    // False when the line could not be written; it is counted for the next report.
    bool append(std::string line);
    // Throws std::runtime_error naming the number of lines lost since the last report.
    void reportLosses();
    // Closes, then reports like reportLosses.
    void close();

private:
    int descriptor_ = -1;
    std::string pathText_;
    std::size_t lostLines_ = 0;
};

}  // namespace ravo::detail
