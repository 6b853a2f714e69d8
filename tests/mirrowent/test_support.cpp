#include "test_support.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace mirrowent_test {
namespace {

// Before any logger reads its mask: severities 1 and 16 of "sa_ravo", records kept out of the test output.
const bool loggingConfigured = [] {
    setenv("LUMBRITH_LOG_CHANNELS", "sa_ravo=17", 1);
    setenv("LUMBRITH_LOG_FILE", "/dev/null", 0);
    unsetenv("ZQ_RAVO_APP_NAME");
    return true;
}();

}  // namespace

void inFreshProcess(const std::function<void()>& body) {
    ASSERT_TRUE(loggingConfigured);
    std::fflush(nullptr);
    pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        try {
            body();
        } catch (const std::exception& error) {
            ADD_FAILURE() << "uncaught exception: " << error.what();
        } catch (...) {
            ADD_FAILURE() << "uncaught exception";
        }
        std::fflush(nullptr);
        std::exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the child ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0) << "checks failed in the child; see above";
}

std::vector<std::string> ravoMessages(const foundation::log::testing::record_capture& capture,
                                      foundation::log::severity_t severity) {
    std::vector<std::string> messages;
    for (const auto& record : capture.records("sa_ravo")) {
        if (record.severity == severity) messages.push_back(record.message);
    }
    return messages;
}

bool logged(const foundation::log::testing::record_capture& capture, std::string_view message) {
    auto messages = ravoMessages(capture);
    return std::find(messages.begin(), messages.end(), message) != messages.end();
}

TempFolder::TempFolder() {
    static std::atomic<int> counter{0};
    path_ = std::filesystem::temp_directory_path() /
            ("mirrowent-test-" + std::to_string(getpid()) + "-" + std::to_string(++counter));
    std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

fl::filesystem::basic_path toPath(const std::filesystem::path& path) { return path.u16string(); }

ravo::RavoService namedService(const std::string& name) {
    ravo::RavoService service;
    service.setApplicationName(name);
    return service;
}

std::vector<std::string> readLines(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

}  // namespace mirrowent_test
