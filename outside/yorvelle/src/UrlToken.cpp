#include "UrlToken.h"

#include <chrono>
#include <cstdint>
#include <cstdio>

namespace install::yorvelle {
namespace {

// A check value over the path and expiry, so a server can tell a token that was edited.
std::string checkValue(const std::string& text) {
    std::uint64_t hash = 1469598103934665603ull;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char buffer[17];
    std::snprintf(buffer, sizeof buffer, "%016llx", static_cast<unsigned long long>(hash));
    return buffer;
}

}  // namespace

std::string addUrlToken(const std::string& urlBase, const std::string& relative, unsigned long windowSeconds,
                        install::akamaitoken::TokenGeneratorType type) {
    const auto now = std::chrono::duration_cast<std::chrono::seconds>(
                         std::chrono::system_clock::now().time_since_epoch()).count();
    const std::string expiry = std::to_string(now + static_cast<long long>(windowSeconds));
    const std::string token = "token=exp=" + expiry + "~chk=" + checkValue("/" + relative + expiry);
    if (type == install::akamaitoken::TokenGeneratorType::PathSegment) return urlBase + "/" + token + "/" + relative;
    return urlBase + "/" + relative + "?" + token;
}

}  // namespace install::yorvelle
