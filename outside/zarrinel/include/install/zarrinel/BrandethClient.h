#pragma once

#include <memory>

#include "install/zarrinel/BrandethConfiguration.h"
#include "install/zarrinel/BrandethInstallData.h"

namespace install::zarrinel {

// Talks to the download web service at the address in ZARRINEL_SERVICE_URL
// (time limit per request: ZARRINEL_TIMEOUT_MS, default 30000).
class BrandethClient {
public:
    virtual ~BrandethClient() = default;
    // POST <address>/installdata. Failures arrive as the exceptions of BrandethClientExceptions.h.
    virtual BrandethInstallDataResponse getInstallData(const BrandethInstallDataRequest& request) = 0;
};

// Throws BrandethClientMicroservicesNotInitialized when no service address is set.
std::unique_ptr<BrandethClient> createBrandethClientFactory(const BrandethConfiguration& configuration);

}  // namespace install::zarrinel
