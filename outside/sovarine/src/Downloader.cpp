#include "install/sovarine/Downloader.h"

#include <curl/curl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "fl/filesystem/basic_path.h"
#include "fl/i18n/conversion.h"

namespace install::sovarine {
namespace {

constexpr long kMaxRedirects = 5;

long stallSeconds() {
    const char* text = std::getenv("SOVARINE_STALL_TIMEOUT_SECONDS");
    if (text == nullptr || *text == '\0') return 30;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    return (*end == '\0' && value > 0) ? value : 30;
}

// A temporary file beside the target that is removed unless it is committed.
class PartialFile {
public:
    explicit PartialFile(const std::string& target) : name_(target + ".part-XXXXXX") {
        const int fd = ::mkstemp(name_.data());
        if (fd < 0) throw DownloaderHttpRequestFailedException("cannot create a file beside " + target);
        file_ = ::fdopen(fd, "wb");
        if (file_ == nullptr) {
            ::close(fd);
            ::unlink(name_.c_str());
            throw DownloaderHttpRequestFailedException("cannot write beside " + target);
        }
    }
    ~PartialFile() {
        if (file_ != nullptr) std::fclose(file_);
        if (!committed_) ::unlink(name_.c_str());
    }
    PartialFile(const PartialFile&) = delete;
    PartialFile& operator=(const PartialFile&) = delete;

    FILE* stream() { return file_; }

    void commit(const std::string& target) {
        const bool flushed = std::fclose(file_) == 0;
        file_ = nullptr;
        if (!flushed || std::rename(name_.c_str(), target.c_str()) != 0) {
            throw DownloaderHttpRequestFailedException("cannot write " + target);
        }
        committed_ = true;
    }

private:
    std::string name_;
    FILE* file_ = nullptr;
    bool committed_ = false;
};

struct TransferContext {
    Downloader::ProgressCallback* progress;
    std::atomic<bool>* cancelled;
    std::chrono::seconds stallLimit;
    curl_off_t lastReceived = -1;
    std::chrono::steady_clock::time_point lastArrival = std::chrono::steady_clock::now();
    bool stalled = false;
};

int reportProgress(void* userData, curl_off_t total, curl_off_t received, curl_off_t, curl_off_t) {
    auto& context = *static_cast<TransferContext*>(userData);
    if (*context.progress) (*context.progress)(static_cast<long>(total), static_cast<long>(received));
    const auto now = std::chrono::steady_clock::now();
    if (received != context.lastReceived) {
        context.lastReceived = received;
        context.lastArrival = now;
    } else if (now - context.lastArrival >= context.stallLimit) {
        context.stalled = true;
        return 1;
    }
    return context.cancelled->load() ? 1 : 0;
}

}  // namespace

Downloader::Downloader(std::string url, std::u16string targetPath)
    : url_(std::move(url)), targetPath_(std::move(targetPath)) {}

void Downloader::setProxySettings(const std::string& userName, const std::string& password) {
    proxyUserName_ = userName;
    proxyPassword_ = password;
}

void Downloader::setProgressCallback(ProgressCallback callback) { progress_ = std::move(callback); }

void Downloader::cancelDownload() { cancelled_.store(true); }

bool Downloader::download() {
    const std::string target = fl::i18n::to_string(fl::filesystem::detail::make_native_form(targetPath_));
    if (url_.empty() || target.empty()) throw DownloaderHttpRequestFailedException("nothing to download");
    PartialFile partial(target);

    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), &curl_easy_cleanup);
    if (!curl) throw DownloaderHttpRequestFailedException("cannot start a download");
    CURL* handle = curl.get();
    const long stall = stallSeconds();
    TransferContext context{&progress_, &cancelled_, std::chrono::seconds(stall)};
    char errorText[CURL_ERROR_SIZE] = "";
    curl_easy_setopt(handle, CURLOPT_URL, url_.c_str());
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, partial.stream());
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(handle, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, stall);
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &reportProgress);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &context);
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, errorText);
    if (!proxyUserName_.empty()) {
        curl_easy_setopt(handle, CURLOPT_PROXYUSERNAME, proxyUserName_.c_str());
        curl_easy_setopt(handle, CURLOPT_PROXYPASSWORD, proxyPassword_.c_str());
    }

    const CURLcode result = curl_easy_perform(handle);
    const std::string reason = *errorText ? errorText : curl_easy_strerror(result);
    if (context.stalled) {
        throw DownloaderHttpRequestTimeoutException("download of " + url_ + " timed out: no data for " +
                                                    std::to_string(stall) + " s");
    }
    switch (result) {
        case CURLE_OK: break;
        case CURLE_OPERATION_TIMEDOUT:
            throw DownloaderHttpRequestTimeoutException("download of " + url_ + " timed out: " + reason);
        case CURLE_ABORTED_BY_CALLBACK: throw DownloadCancelledException("download of " + url_ + " was cancelled");
        default: throw DownloaderHttpRequestFailedException("download of " + url_ + " failed: " + reason);
    }
    partial.commit(target);
    return true;
}

}  // namespace install::sovarine
