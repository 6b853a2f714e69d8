#pragma once

#include <stdexcept>
#include <string>

#include "install/harlowen/RepoAdapterExceptions.h"
#include "install/sovarine/DownloaderExceptions.h"
#include "install/zarrinel/BrandethClientExceptions.h"

// Each stage of the online flow turns what its outside library throws into one of the adapter's exceptions.
// Handlers are tried in order, so the more specific types come first; unlisted types pass through.
namespace install::harlowen {

template <class Call>
decltype(auto) translateWebServiceFailures(Call&& call) {
    namespace zr = install::zarrinel;
    const std::string context = "BrandethClient call in Product Repository Adapter";
    try {
        return call();
    } catch (const zr::BrandethClientInvalidArgumentException& e) {
        throw RepoAdapterWebServiceException("1800", "BrandethClient Invalid Argument", e.what(), context);
    } catch (const zr::BrandethClientMicroservicesNotInitialized& e) {
        throw RepoAdapterWebServiceException("1801", "BrandethClient Microservice not initialized", e.what(), context);
    } catch (const zr::BrandethClientHttpRequestCancelledException& e) {
        throw RepoAdapterWebServiceException("1802", "BrandethClient Http Request Cancelled", e.what(), context);
    } catch (const zr::BrandethClientHttpRequestTimeoutException& e) {
        throw RepoAdapterWebServiceException("1803", "BrandethClient Http Request Timeout", e.what(), context);
    } catch (const zr::BrandethClientProxyAuthenticationRequiredException& e) {
        throw RepoAdapterWebServiceException("1811", "BrandethClient Http Request Requires Proxy Authentication",
                                             e.what(), context);
    } catch (const zr::BrandethClientServiceExcpetion& e) {
        throw RepoAdapterWebServiceException("1804", e.getErrorMessage(), e.what(), context);
    } catch (const zr::BrandethClientException& e) {
        throw RepoAdapterWebServiceException("1805", "BrandethClient WebServiceClientCore Exception", e.what(), context);
    }
}

template <class Call>
decltype(auto) translateDownloadFailures(Call&& call) {
    namespace sv = install::sovarine;
    const std::string context = "Download brandeth.zip in Product Repository Adapter";
    try {
        return call();
    } catch (const sv::DownloaderHttpRequestTimeoutException& e) {
        throw RepoAdapterBrandethDownloadException("1806", "Downloader Http Request Timeout", e.what(), context);
    } catch (const sv::DownloaderHttpRequestFailedException& e) {
        throw RepoAdapterBrandethDownloadException("1807", "Downloader Http Request Timeout", e.what(), context);
    } catch (const std::runtime_error& e) {
        throw RepoAdapterBrandethDownloadException("1808", "Repo Adapter Generic Error", e.what(), context);
    }
}

template <class Call>
decltype(auto) translateExtractionFailures(Call&& call) {
    const std::string context = "Extraction of brandeth.zip in Product Repository Adapter";
    try {
        return call();
    } catch (const std::invalid_argument& e) {
        throw RepoAdapterBrandethExtractException("1809", "Extract invalid arguments", e.what(), context);
    } catch (const std::runtime_error& e) {
        throw RepoAdapterBrandethExtractException("1810", "Repo Adapter Generic Error", e.what(), context);
    }
}

}  // namespace install::harlowen
