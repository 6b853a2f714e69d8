#include "install/harlowen/ProductRepoAdapterFactories.h"

#include "FolderProductRepoAdapter.h"
#include "OnlineProductRepoAdapter.h"

namespace install::harlowen {

std::unique_ptr<ProductRepoAdapter> createFolderProductRepoAdapter(const std::u16string& folder) {
    return std::make_unique<FolderProductRepoAdapter>(folder);
}

std::unique_ptr<ProductRepoAdapter> createOnlineProductRepoAdapter(
    const std::u16string& release, const std::u16string& status, const std::u16string& installerName,
    const std::u16string& token, const std::u16string& installerVersion, const std::u16string& clientString,
    int update) {
    return std::make_unique<OnlineProductRepoAdapter>(release, status, installerName, token, installerVersion,
                                                      clientString, update);
}

std::unique_ptr<ProductRepoAdapter> createOnlineProductRepoAdapterForDownloadOnlyWorkflow(
    const std::u16string& release, const std::u16string& status, const std::u16string& installerName,
    const std::u16string& token, const std::u16string& installerVersion, const std::u16string& clientString,
    const std::vector<std::u16string>& platforms, int update) {
    return std::make_unique<OnlineProductRepoAdapter>(release, status, installerName, token, installerVersion,
                                                      clientString, update, platforms);
}

}  // namespace install::harlowen
