#pragma once

#include <atomic>
#include <functional>
#include <string>

#include "install/sovarine/DownloaderExceptions.h"

namespace install::sovarine {

// Downloads a URL to a file. The data goes to a temporary file beside the target, which takes the target's
// name only once the transfer is complete; a failed or cancelled download leaves no target behind. Only http
// and https, at most five redirects, at most SOVARINE_MAX_BYTES. A proxy comes from the usual http_proxy /
// https_proxy variables.
class Downloader {
public:
    using ProgressCallback = std::function<void(long total, long received)>;

    Downloader(std::string url, std::u16string targetPath);
    Downloader(const Downloader&) = delete;
    Downloader& operator=(const Downloader&) = delete;

    void setProxySettings(const std::string& userName, const std::string& password);
    // Called on the downloading thread at least once a second while the transfer runs.
    void setProgressCallback(ProgressCallback callback);
    // May be called from any thread, including the progress callback.
    void cancelDownload();

    // True once the file is at the target; failures throw the exceptions of DownloaderExceptions.h.
    bool download();

private:
    std::string url_;
    std::u16string targetPath_;
    std::string proxyUserName_;
    std::string proxyPassword_;
    ProgressCallback progress_;
    std::atomic<bool> cancelled_{false};
};

}  // namespace install::sovarine
