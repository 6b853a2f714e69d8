#include "install/zarrinel/BrandethClient.h"

#include <curl/curl.h>

#include <cstdlib>
#include <string>

#include <nlohmann/json.hpp>

#include "install/tambrel/interrupt.h"
#include "install/zarrinel/BrandethClientExceptions.h"

namespace install::zarrinel {
namespace {

constexpr size_t kMaxResponseBytes = 16 * 1024 * 1024;

long timeoutMilliseconds() {
    const char* text = std::getenv("ZARRINEL_TIMEOUT_MS");
    if (text == nullptr || *text == '\0') return 30000;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    return (*end == '\0' && value > 0) ? value : 30000;
}

size_t collectBody(char* data, size_t size, size_t count, void* userData) {
    auto& body = *static_cast<std::string*>(userData);
    if (body.size() + size * count > kMaxResponseBytes) return 0;
    body.append(data, size * count);
    return size * count;
}

int stopWhenInterrupted(void*, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return install::tambrel::interrupt::is_set() ? 1 : 0;
}

std::string serviceErrorMessage(const std::string& body, long status) {
    const auto json = nlohmann::json::parse(body, nullptr, false);
    if (json.is_object() && json.contains("errorMessage") && json["errorMessage"].is_string()) {
        return json["errorMessage"].get<std::string>();
    }
    return "HTTP status " + std::to_string(status);
}

class HttpBrandethClient final : public BrandethClient {
public:
    HttpBrandethClient(std::string address, BrandethConfiguration configuration)
        : address_(std::move(address)), configuration_(std::move(configuration)) {
        while (!address_.empty() && address_.back() == '/') address_.pop_back();
    }

    BrandethInstallDataResponse getInstallData(const BrandethInstallDataRequest& request) override {
        if (request.getRelease().empty()) throw BrandethClientInvalidArgumentException("the release is empty");
        if (request.getStatus().empty()) throw BrandethClientInvalidArgumentException("the status is empty");
        const std::string url = address_ + "/installdata";
        const std::string requestBody = nlohmann::json{
            {"release", request.getRelease()},
            {"status", request.getStatus()},
            {"installerName", configuration_.getInstallerName()},
            {"installerVersion", configuration_.getInstallerVersion()},
            {"clientString", configuration_.getClientString()},
        }.dump();

        std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), &curl_easy_cleanup);
        if (!curl) throw BrandethClientException("cannot start an HTTP request");
        curl_slist* headers = nullptr;
        headers = curl_slist_append(headers, "Content-Type: application/json");
        headers = curl_slist_append(headers, ("Authorization: Bearer " + configuration_.getToken()).c_str());
        std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headerList(headers, &curl_slist_free_all);

        std::string body;
        char errorText[CURL_ERROR_SIZE] = "";
        CURL* handle = curl.get();
        curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
        curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers);
        curl_easy_setopt(handle, CURLOPT_POSTFIELDS, requestBody.c_str());
        curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, timeoutMilliseconds());
        curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &collectBody);
        curl_easy_setopt(handle, CURLOPT_WRITEDATA, &body);
        curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &stopWhenInterrupted);
        curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, errorText);
        if (!configuration_.getProxyUserName().empty() && !configuration_.getProxyPassword().empty()) {
            curl_easy_setopt(handle, CURLOPT_PROXYUSERNAME, configuration_.getProxyUserName().c_str());
            curl_easy_setopt(handle, CURLOPT_PROXYPASSWORD, configuration_.getProxyPassword().c_str());
        }

        const CURLcode result = curl_easy_perform(handle);
        long status = 0, connectStatus = 0;
        curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
        curl_easy_getinfo(handle, CURLINFO_HTTP_CONNECTCODE, &connectStatus);
        if (status == 407 || connectStatus == 407) {
            throw BrandethClientProxyAuthenticationRequiredException("the proxy requires authentication for " + url);
        }
        switch (result) {
            case CURLE_OK: break;
            case CURLE_OPERATION_TIMEDOUT:
                throw BrandethClientHttpRequestTimeoutException("request to " + url + " timed out");
            case CURLE_ABORTED_BY_CALLBACK:
                throw BrandethClientHttpRequestCancelledException("request to " + url + " was cancelled");
            default:
                throw BrandethClientException("request to " + url + " failed: " +
                                              (*errorText ? errorText : curl_easy_strerror(result)));
        }
        if (status >= 400) {
            const std::string message = serviceErrorMessage(body, status);
            throw BrandethClientServiceExcpetion("the web service answered " + std::to_string(status) + ": " + message,
                                                 message, status);
        }
        return BrandethInstallDataResponse::fromJson(body);
    }

private:
    std::string address_;
    BrandethConfiguration configuration_;
};

}  // namespace

std::unique_ptr<BrandethClient> createBrandethClientFactory(const BrandethConfiguration& configuration) {
    const char* address = std::getenv("ZARRINEL_SERVICE_URL");
    if (address == nullptr || *address == '\0') {
        throw BrandethClientMicroservicesNotInitialized("no web service address (ZARRINEL_SERVICE_URL is not set)");
    }
    return std::make_unique<HttpBrandethClient>(address, configuration);
}

}  // namespace install::zarrinel
