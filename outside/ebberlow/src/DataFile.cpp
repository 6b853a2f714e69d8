#include "DataFile.h"

#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace ravo::detail {

void DataFile::open(const fl::filesystem::basic_path& path) {
    std::filesystem::path file = path.std_path();
    std::error_code ignored;
    if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ignored);
    stream_.open(file, std::ios::out | std::ios::app | std::ios::binary);
    if (!stream_.is_open()) throw std::runtime_error("cannot open the usage-data file " + path.string());
    pathText_ = path.string();
    lostLines_ = 0;
}

bool DataFile::append(const std::string& line) {
    stream_ << line << '\n';
    stream_.flush();
    if (stream_) return true;
    stream_.clear();
    ++lostLines_;
    return false;
}

void DataFile::reportLosses() {
    if (lostLines_ == 0) return;
    auto lost = lostLines_;
    lostLines_ = 0;
    throw std::runtime_error(std::to_string(lost) + " usage-data items could not be written to " + pathText_);
}

void DataFile::close() {
    if (stream_.is_open()) {
        stream_.close();
        if (stream_.fail()) ++lostLines_;
        stream_.clear();
    }
    reportLosses();
}

}  // namespace ravo::detail
