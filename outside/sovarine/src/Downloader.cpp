#include "install/sovarine/Downloader.h"

#include <curl/curl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>

#include "fl/filesystem/basic_path.h"
#include "fl/i18n/conversion.h"

namespace install::sovarine {
namespace {

constexpr long kMaxRedirects = 5;

// libcurl takes time limits in seconds only up to this.
constexpr curl_off_t kLongestStallSeconds = INT_MAX / 1000;

// A setting of decimal digits alone, from 1 to most; anything else (empty, signed, spaced, with a unit, out
// of range) leaves the fallback.
curl_off_t positiveSetting(const char* name, curl_off_t fallback,
                           curl_off_t most = std::numeric_limits<curl_off_t>::max()) {
    const char* text = std::getenv(name);
    if (text == nullptr || *text < '0' || *text > '9') return fallback;
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text, &end, 10);
    return (*end == '\0' && errno == 0 && value > 0 && value <= most) ? value : fallback;
}

struct Limits {
    curl_off_t stallSeconds = positiveSetting("SOVARINE_STALL_TIMEOUT_SECONDS", 30, kLongestStallSeconds);
    curl_off_t lowSpeedBytes = positiveSetting("SOVARINE_LOW_SPEED_BYTES", 1024);
    curl_off_t maxBytes = positiveSetting("SOVARINE_MAX_BYTES", curl_off_t{1} << 30);

    // Rounded up, so that a floor below one byte per second still counts.
    curl_off_t leastBytesPerSecond() const {
        return lowSpeedBytes / stallSeconds + (lowSpeedBytes % stallSeconds != 0 ? 1 : 0);
    }
};

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
    FILE* file;
    curl_off_t maxBytes;
    curl_off_t written = 0;
    bool tooLarge = false;
};

int reportProgress(void* userData, curl_off_t total, curl_off_t received, curl_off_t, curl_off_t) {
    auto& context = *static_cast<TransferContext*>(userData);
    if (*context.progress) (*context.progress)(static_cast<long>(total), static_cast<long>(received));
    return context.cancelled->load() ? 1 : 0;
}

// Bodies without a declared length are cut off here, before the byte that would pass the limit is written.
size_t writeBounded(char* data, size_t size, size_t count, void* userData) {
    auto& context = *static_cast<TransferContext*>(userData);
    const size_t length = size * count;
    if (static_cast<curl_off_t>(length) > context.maxBytes - context.written) {
        context.tooLarge = true;
        return 0;
    }
    const size_t stored = std::fwrite(data, 1, length, context.file);
    context.written += static_cast<curl_off_t>(stored);
    return stored;
}

std::string tooLargeReason(curl_off_t maxBytes) {
    return "it is larger than the limit of " + std::to_string(maxBytes) + " bytes (SOVARINE_MAX_BYTES)";
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
    const Limits limits;
    TransferContext context{&progress_, &cancelled_, partial.stream(), limits.maxBytes};
    char errorText[CURL_ERROR_SIZE] = "";
    curl_easy_setopt(handle, CURLOPT_URL, url_.c_str());
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &writeBounded);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &context);
    curl_easy_setopt(handle, CURLOPT_MAXFILESIZE_LARGE, limits.maxBytes);
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(handle, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, static_cast<long>(limits.stallSeconds));
    // Fewer than lowSpeedBytes in the stall time, silence included, ends the transfer as timed out.
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, static_cast<long>(limits.stallSeconds));
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, static_cast<long>(limits.leastBytesPerSecond()));
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &reportProgress);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &context);
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, errorText);
    if (!proxyUserName_.empty()) {
        curl_easy_setopt(handle, CURLOPT_PROXYUSERNAME, proxyUserName_.c_str());
        curl_easy_setopt(handle, CURLOPT_PROXYPASSWORD, proxyPassword_.c_str());
    }

    const CURLcode result = curl_easy_perform(handle);
    const std::string reason = context.tooLarge || result == CURLE_FILESIZE_EXCEEDED
                                   ? tooLargeReason(limits.maxBytes)
                                   : (*errorText ? errorText : curl_easy_strerror(result));
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
