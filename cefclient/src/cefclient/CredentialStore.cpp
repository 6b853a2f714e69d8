#include "cefclient/CredentialStore.h"

#include <algorithm>
#include <string_view>

namespace client {
namespace {

constexpr std::string_view kEndMarker = "-----END CERTIFICATE-----";

std::string withoutLineBreaks(std::string text) {
    std::erase(text, '\n');
    std::erase(text, '\r');
    return text;
}

}  // namespace

void CredentialStore::addAllowedCertificates(const std::string& bundle) {
    std::lock_guard lock(mutex_);
    std::size_t pieceStart = 0;
    for (;;) {
        const std::size_t marker = bundle.find(kEndMarker, pieceStart);
        if (marker == std::string::npos) return;
        const std::size_t pieceEnd = marker + kEndMarker.size();
        std::string piece = withoutLineBreaks(bundle.substr(pieceStart, pieceEnd - pieceStart));
        pieceStart = pieceEnd;
        if (!isAllowedLocked(piece)) allowedCertificates_.push_back(std::move(piece));
    }
}

bool CredentialStore::isCertificateAllowed(std::string pem) const {
    const std::string flattened = withoutLineBreaks(std::move(pem));
    std::lock_guard lock(mutex_);
    return isAllowedLocked(flattened);
}

std::vector<std::string> CredentialStore::allowedCertificates() const {
    std::lock_guard lock(mutex_);
    return allowedCertificates_;
}

bool CredentialStore::isAllowedLocked(const std::string& flattened) const {
    return std::find(allowedCertificates_.begin(), allowedCertificates_.end(), flattened) !=
           allowedCertificates_.end();
}

void CredentialStore::setProxyCredentials(const std::string& user, const std::string& password) {
    std::lock_guard lock(mutex_);
    proxyUser_ = user;
    proxyPassword_ = password;
}

std::pair<std::string, std::string> CredentialStore::proxyCredentials() const {
    std::lock_guard lock(mutex_);
    return {proxyUser_, proxyPassword_};
}

}  // namespace client
