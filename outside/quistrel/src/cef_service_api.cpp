#include "cefexchange/cef_service_api.h"

namespace cefexchange {

const std::string CEFServiceAPI::serviceName = "CEFBrowserService";

}  // namespace cefexchange
