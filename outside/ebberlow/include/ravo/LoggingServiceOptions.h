#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fl/filesystem/basic_path.h"

namespace ravo {

struct ProxyInfo {
    std::string host;
    std::uint16_t port = 0;
    std::string username;
    std::string password;
};

struct RetryStrategyInfo {
    std::int32_t maxAttempts = 5;
    std::int32_t delaySeconds = 0;
    std::int64_t timeLimitSeconds = 120;
};

struct LoggingServiceOptions {
    bool runConfigService = false;
    bool requireSchemas = false;
    std::vector<fl::filesystem::basic_path> schemaSearchPath;
    // The file that receives one JSON line per item; nothing is written when it is empty.
    fl::filesystem::basic_path persistencePath;
    std::shared_ptr<ProxyInfo> proxyInfo;
    std::shared_ptr<RetryStrategyInfo> retryStrategyInfo;
    std::chrono::seconds requestTimeout{3};
};

}  // namespace ravo
