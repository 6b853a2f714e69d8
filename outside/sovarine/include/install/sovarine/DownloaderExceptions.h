#pragma once

#include <stdexcept>

namespace install::sovarine {

// Less than SOVARINE_LOW_SPEED_BYTES arrived in the stall time (SOVARINE_STALL_TIMEOUT_SECONDS), or the server
// could not be reached in it.
class DownloaderHttpRequestTimeoutException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The server answered with an error status, the transfer broke off, or the body would pass SOVARINE_MAX_BYTES.
class DownloaderHttpRequestFailedException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// cancelDownload was called while the transfer ran.
class DownloadCancelledException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace install::sovarine
