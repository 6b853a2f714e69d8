#pragma once

#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace client {

// Server certificates the host accepts although the browser engine rejects them, and the answer to a proxy's
// authentication request. Written by the transport threads and read by the window event sinks, hence the lock.
class CredentialStore {
public:
    // Adds each PEM certificate of the bundle that is not yet known, line breaks removed.
    void addAllowedCertificates(const std::string& bundle);
    bool isCertificateAllowed(std::string pem) const;
    std::vector<std::string> allowedCertificates() const;

    void setProxyCredentials(const std::string& user, const std::string& password);
    std::pair<std::string, std::string> proxyCredentials() const;

private:
    bool isAllowedLocked(const std::string& flattened) const;

    mutable std::mutex mutex_;
    std::vector<std::string> allowedCertificates_;
    std::string proxyUser_;
    std::string proxyPassword_;
};

}  // namespace client
