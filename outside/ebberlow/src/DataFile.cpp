#include "DataFile.h"

#include <cerrno>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

namespace ravo::detail {

DataFile::~DataFile() {
    if (isOpen()) ::close(descriptor_);
}

void DataFile::open(const fl::filesystem::basic_path& path) {
    std::filesystem::path file = path.std_path();
    std::error_code ignored;
    if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ignored);
    int descriptor = ::open(file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (descriptor < 0) {
        throw std::system_error(errno, std::generic_category(), "cannot open the usage-data file " + path.string());
    }
    descriptor_ = descriptor;
    pathText_ = path.string();
    lostLines_ = 0;
}

bool DataFile::append(std::string line) {
    line += '\n';
    std::size_t done = 0;
    while (done < line.size()) {
        ssize_t written = ::write(descriptor_, line.data() + done, line.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            ++lostLines_;
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

void DataFile::reportLosses() {
    if (lostLines_ == 0) return;
    auto lost = lostLines_;
    lostLines_ = 0;
    throw std::runtime_error(std::to_string(lost) + " usage-data items could not be written to " + pathText_);
}

void DataFile::close() {
    if (isOpen()) {
        ::close(descriptor_);
        descriptor_ = -1;
    }
    reportLosses();
}

}  // namespace ravo::detail
