#pragma once

#include <string>
#include <utility>

#include "veltranelib/native_window.h"

struct QWindowParams;

// The narrow door for the bridge's other services that window event sinks and the exchange service call: windows
// opened and closed, titles, certificates and proxy credentials; free functions, without the bridge's own header.
namespace client::bridge {

void notifyWindowClose(const std::string& windowID);
void openNewWindow(const QWindowParams& request);
void createPopUpWindow(std::string parentWindowID, const CefString& targetURL, const CefPopupFeatures& features,
                       CefWindowInfo& windowInfo, CefRefPtr<CefClient>& client, CefBrowserSettings& settings,
                       int origin, bool flag);
void updateWindowTitle(std::string windowID, const std::string& title);
void addAllowedCertificates(const std::string& bundle);
bool isCertificateAllowed(std::string pem);
void setProxyCredentials(const std::string& user, const std::string& password);
std::pair<std::string, std::string> getProxyCredentials();

}  // namespace client::bridge
