#pragma once

#include <cstddef>
#include <fstream>
#include <string>

#include "fl/filesystem/basic_path.h"

namespace ravo::detail {

// The persistence file: one line per item, each handed to the system before append returns.
class DataFile {
public:
    // Creates missing parent folders; throws std::runtime_error when the file cannot be opened for appending.
    void open(const fl::filesystem::basic_path& path);
    bool isOpen() const { return stream_.is_open(); }

    // False when the line could not be written; it is counted for the next report.
    bool append(const std::string& line);
    // Throws std::runtime_error naming the number of lines lost since the last report.
    void reportLosses();
    // Closes, then reports like reportLosses.
    void close();

private:
    std::ofstream stream_;
    std::string pathText_;
    std::size_t lostLines_ = 0;
};

}  // namespace ravo::detail
