#pragma once

#include <string>

namespace install::zarrinel {

// Who asks the web service for what, and through which proxy credentials.
class BrandethConfiguration {
public:
    void setRelease(std::string value) { release_ = std::move(value); }
    void setStatus(std::string value) { status_ = std::move(value); }
    void setInstallerName(std::string value) { installerName_ = std::move(value); }
    void setToken(std::string value) { token_ = std::move(value); }
    void setInstallerVersion(std::string value) { installerVersion_ = std::move(value); }
    void setClientString(std::string value) { clientString_ = std::move(value); }
    void setProxyUserName(std::string value) { proxyUserName_ = std::move(value); }
    void setProxyPassword(std::string value) { proxyPassword_ = std::move(value); }

    const std::string& getRelease() const { return release_; }
    const std::string& getStatus() const { return status_; }
    const std::string& getInstallerName() const { return installerName_; }
    const std::string& getToken() const { return token_; }
    const std::string& getInstallerVersion() const { return installerVersion_; }
    const std::string& getClientString() const { return clientString_; }
    const std::string& getProxyUserName() const { return proxyUserName_; }
    const std::string& getProxyPassword() const { return proxyPassword_; }

private:
    std::string release_;
    std::string status_;
    std::string installerName_;
    std::string token_;
    std::string installerVersion_;
    std::string clientString_;
    std::string proxyUserName_;
    std::string proxyPassword_;
};

}  // namespace install::zarrinel
