#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "AdapterFailure.h"
#include "ScriptedOnlineAdapter.h"
#include "install/harlowen/RepoAdapterExceptions.h"
#include "install/sovarine/DownloaderExceptions.h"
#include "install/zarrinel/BrandethClientExceptions.h"

using namespace install::harlowen;
using harlowen_test::ExpectedFailure;
using harlowen_test::ScriptedOnlineAdapter;
namespace zr = install::zarrinel;
namespace sv = install::sovarine;

namespace {

const std::string kServiceContext = "BrandethClient call in Product Repository Adapter";
const std::string kDownloadContext = "Download brandeth.zip in Product Repository Adapter";
const std::string kExtractContext = "Extraction of brandeth.zip in Product Repository Adapter";

struct Row {
    std::string name;
    std::function<void()> raise;
    ExpectedFailure expected;
};

template <class E>
std::function<void()> raising(std::string message) {
    return [message] { throw E(message); };
}

void runServiceRow(const Row& row) {
    SCOPED_TRACE(row.name);
    ScriptedOnlineAdapter adapter;
    adapter.service = [&](const auto&) -> zr::BrandethInstallDataResponse {
        row.raise();
        return ScriptedOnlineAdapter::cannedResponse();
    };
    harlowen_test::expectAdapterFailure<RepoAdapterWebServiceException>([&] { adapter.getProducts(); }, row.expected);
    EXPECT_FALSE(adapter.hasProducts());
}

TEST(StageTranslation, WebServiceFailuresInHandlerOrder) {
    const std::vector<Row> rows{
        {"invalid", raising<zr::BrandethClientInvalidArgumentException>("bad release"),
         {"1800", "BrandethClient Invalid Argument", kServiceContext, "bad release"}},
        {"not initialised", raising<zr::BrandethClientMicroservicesNotInitialized>("no address"),
         {"1801", "BrandethClient Microservice not initialized", kServiceContext, "no address"}},
        {"cancelled", raising<zr::BrandethClientHttpRequestCancelledException>("stopped"),
         {"1802", "BrandethClient Http Request Cancelled", kServiceContext, "stopped"}},
        {"timeout", raising<zr::BrandethClientHttpRequestTimeoutException>("slow"),
         {"1803", "BrandethClient Http Request Timeout", kServiceContext, "slow"}},
        {"proxy", raising<zr::BrandethClientProxyAuthenticationRequiredException>("407"),
         {"1811", "BrandethClient Http Request Requires Proxy Authentication", kServiceContext, "407"}},
        {"service", [] { throw zr::BrandethClientServiceExcpetion("answered 500: Unknown release", "Unknown release", 500); },
         {"1804", "Unknown release", kServiceContext, "answered 500: Unknown release"}},
        {"client core", raising<zr::BrandethClientException>("connection refused"),
         {"1805", "BrandethClient WebServiceClientCore Exception", kServiceContext, "connection refused"}},
    };
    for (const auto& row : rows) runServiceRow(row);
}

TEST(StageTranslation, WebServiceStagePassesOtherTypesThrough) {
    ScriptedOnlineAdapter adapter;
    adapter.service = [](const auto&) -> zr::BrandethInstallDataResponse { throw std::runtime_error("other"); };
    try {
        adapter.getProducts();
        FAIL() << "no exception";
    } catch (const RepoAdapterException&) {
        FAIL() << "translated";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "other");
    }
}

TEST(StageTranslation, DownloadFailuresInHandlerOrder) {
    const std::vector<Row> rows{
        {"timeout", raising<sv::DownloaderHttpRequestTimeoutException>("stalled"),
         {"1806", "Downloader Http Request Timeout", kDownloadContext, "stalled"}},
        {"failed", raising<sv::DownloaderHttpRequestFailedException>("HTTP 404"),
         {"1807", "Downloader Http Request Timeout", kDownloadContext, "HTTP 404"}},
        {"cancelled", raising<sv::DownloadCancelledException>("cancelled"),
         {"1808", "Repo Adapter Generic Error", kDownloadContext, "cancelled"}},
        {"generic", raising<std::runtime_error>("disk full"),
         {"1808", "Repo Adapter Generic Error", kDownloadContext, "disk full"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ScriptedOnlineAdapter adapter;
        adapter.download = [&](const auto&, const auto&) { row.raise(); };
        harlowen_test::expectAdapterFailure<RepoAdapterBrandethDownloadException>([&] { adapter.getProducts(); },
                                                                                  row.expected);
        adapter.cleanUp();
    }
}

TEST(StageTranslation, ExtractionFailuresInHandlerOrder) {
    const std::vector<Row> rows{
        {"invalid", raising<std::invalid_argument>("not a file"),
         {"1809", "Extract invalid arguments", kExtractContext, "not a file"}},
        {"generic", raising<std::runtime_error>("damaged"),
         {"1810", "Repo Adapter Generic Error", kExtractContext, "damaged"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ScriptedOnlineAdapter adapter;
        adapter.extract = [&](const auto&, const auto&) { row.raise(); };
        harlowen_test::expectAdapterFailure<RepoAdapterBrandethExtractException>([&] { adapter.getProducts(); },
                                                                                 row.expected);
        adapter.cleanUp();
    }
}

TEST(StageTranslation, LaterStagesPassLogicErrorsThrough) {
    ScriptedOnlineAdapter downloading;
    downloading.download = [](const auto&, const auto&) { throw std::logic_error("download bug"); };
    EXPECT_THROW(downloading.getProducts(), std::logic_error);
    downloading.cleanUp();

    ScriptedOnlineAdapter extracting;
    extracting.extract = [](const auto&, const auto&) { throw std::domain_error("extract bug"); };
    try {
        extracting.getProducts();
        FAIL() << "no exception";
    } catch (const RepoAdapterException&) {
        FAIL() << "translated";
    } catch (const std::logic_error& error) {
        EXPECT_STREQ(error.what(), "extract bug");
    }
    extracting.cleanUp();
}

TEST(StageTranslation, ExceptionsCopyAndMoveAllFourTexts) {
    const RepoAdapterBrandethExtractException original("1810", "title", "detail", "context");
    RepoAdapterBrandethExtractException copy = original;
    RepoAdapterBrandethExtractException moved(std::move(copy));
    RepoAdapterBrandethExtractException assigned("x");
    assigned = moved;
    harlowen_test::checkInstallerException(assigned, {"1810", "title", "context", "detail"});
    const RepoAdapterWebServiceException single("only a message");
    EXPECT_STREQ(single.what(), "only a message");
    EXPECT_EQ(single.getCode(), "");
}

}  // namespace
