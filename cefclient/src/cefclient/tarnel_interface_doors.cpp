// The free functions behind the narrow doors (HostReport.h, WindowLookup.h, BridgeServices.h): each hands its call
// to the bridge.
#include "cefclient/BridgeServices.h"
#include "cefclient/ExchangeEvents.h"
#include "cefclient/HostReport.h"
#include "cefclient/WindowLookup.h"
#include "cefclient/tarnel_interface.h"
#include "cefexchange/messages.h"

namespace client::bridge {
namespace {

tarnel_interface& tarnel() { return *tarnel_interface::instance(); }

}  // namespace

void sendPipeMessage(const std::string& payload) { tarnel().sendPipeMessage(payload); }

void sendEventToHost(std::string windowID, std::string event, std::vector<std::string> args) {
    tarnel().sendEventToHost(std::move(windowID), std::move(event), std::move(args));
}

template <class M>
void sendMessageUsingExchange(boost::shared_ptr<M> message) {
    tarnel().sendMessageUsingExchange(std::move(message));
}

#define VELTRANE_EXCHANGE_DOOR(Message) \
    template void sendMessageUsingExchange<cefexchange::Message>(boost::shared_ptr<cefexchange::Message>);
VELTRANE_EXCHANGE_EVENTS(VELTRANE_EXCHANGE_DOOR)

scoped_refptr<NativeWindow> findNativeWindowByID(const std::string& windowID) {
    return tarnel().findNativeWindowByID(windowID);
}

std::shared_ptr<NativeWindowManager> getWindowManager() { return tarnel().getWindowManager(); }

void notifyWindowClose(const std::string& windowID) { tarnel().notifyWindowClose(windowID); }

void openNewWindow(const QWindowParams& request) { tarnel().openNewWindow(request); }

void createPopUpWindow(std::string parentWindowID, const CefString& targetURL, const CefPopupFeatures& features,
                       CefWindowInfo& windowInfo, CefRefPtr<CefClient>& client, CefBrowserSettings& settings,
                       int origin, bool flag) {
    tarnel().createPopUpWindow(std::move(parentWindowID), targetURL, features, windowInfo, client, settings, origin,
                               flag);
}

void updateWindowTitle(std::string windowID, const std::string& title) {
    tarnel().updateWindowTitle(std::move(windowID), title);
}

void addAllowedCertificates(const std::string& bundle) { tarnel().addAllowedCertificates(bundle); }

bool isCertificateAllowed(std::string pem) { return tarnel().isCertificateAllowed(std::move(pem)); }

void setProxyCredentials(const std::string& user, const std::string& password) {
    tarnel().setProxyCredentials(user, password);
}

std::pair<std::string, std::string> getProxyCredentials() { return tarnel().getProxyCredentials(); }

}  // namespace client::bridge
