#pragma once

#include <memory>
#include <string>
#include <vector>

#include "install/harlowen/HarlowenExport.h"
#include "install/harlowen/ProductRepoAdapter.h"

namespace install::harlowen {

// Products from a folder on disk; throws std::runtime_error when the folder does not exist.
HARLOWEN_EXPORT std::unique_ptr<ProductRepoAdapter> createFolderProductRepoAdapter(const std::u16string& folder);

// Products of the "win64" platform from the download web service; nothing is contacted before getProducts.
// A negative update means the service's default update.
HARLOWEN_EXPORT std::unique_ptr<ProductRepoAdapter> createOnlineProductRepoAdapter(
    const std::u16string& release, const std::u16string& status, const std::u16string& installerName,
    const std::u16string& token, const std::u16string& installerVersion, const std::u16string& clientString,
    int update);

// As above, for the products of the given platforms.
HARLOWEN_EXPORT std::unique_ptr<ProductRepoAdapter> createOnlineProductRepoAdapterForDownloadOnlyWorkflow(
    const std::u16string& release, const std::u16string& status, const std::u16string& installerName,
    const std::u16string& token, const std::u16string& installerVersion, const std::u16string& clientString,
    const std::vector<std::u16string>& platforms, int update);

}  // namespace install::harlowen
