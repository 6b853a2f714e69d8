#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "fl/filesystem/basic_path.h"
#include "foundation/log/testing.h"
#include "usage_data/RavoService.h"

namespace mirrowent_test {

// Runs the checks in a forked child, which sees the process-wide service as a new process does; the parent
// fails when any check in the child failed or the child crashed.
void inFreshProcess(const std::function<void()>& body);

// Messages of the "sa_ravo" channel at the given severity.
std::vector<std::string> ravoMessages(const foundation::log::testing::record_capture& capture,
                                      foundation::log::severity_t severity = 1);
bool logged(const foundation::log::testing::record_capture& capture, std::string_view message);

// A folder of its own below the temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

fl::filesystem::basic_path toPath(const std::filesystem::path& path);
// A service with only its application name set.
ravo::RavoService namedService(const std::string& name = "Atlas");

std::vector<std::string> readLines(const std::filesystem::path& file);

}  // namespace mirrowent_test
