// The exchange transport of the bridge: the session to the host, the listener for further peers, the service
// thread and the shut-down.
#include <chrono>
#include <iostream>
#include <thread>

#include <boost/exception/diagnostic_information.hpp>

#include "cef/transport/cef_server_transport_listener.h"
#include "cef/transport/cef_server_transport_session.h"
#include "cefclient/CEFBrowserService.h"
#include "cefclient/FunctionTraceScope.h"
#include "cefclient/LogStyle.h"
#include "cefclient/Loggers.h"
#include "cefclient/tarnel_interface.h"
#include "cefexchange/gaviston.h"
#include "fl/i18n/conversion.h"
#include "foundation/core/app/fast_exit.h"
#include "foundation/io/io_service_threadpool.h"
#include "foundation/msg_svc/exchange/exchange_protocol.h"
#include "foundation/msg_svc/transport/layers/session/session_protocol.h"
#include "platform/command_line.h"
#include "veltranelib/app_startup.h"

namespace client {
namespace {

using foundation::msg_svc::transport::layers::session::Session;
using foundation::msg_svc::transport::layers::session::SessionProtocol;

constexpr std::size_t kPoolThreads = 4;
constexpr int kSessionType = 1;
constexpr char kHandleType[] = "NamedPipeHandle";
constexpr char16_t kHandleArgument[] = u"-NamedPipeHandle";
// How long the shut-down waits for the service thread to leave its loop.
constexpr auto kServiceThreadEndWait = std::chrono::seconds(5);

const std::string& protocolName() {
    static const std::string name = "CEF";
    return name;
}

const std::string& versionKey() {
    static const std::string key = "CURRENT_TARNEL_VERSION";
    return key;
}

// The value after the last "-NamedPipeHandle" that has one; empty without such a pair.
std::string handleValue() {
    const std::vector<std::u16string> arguments = platform::splitCommandLine(platform::wideCommandLine());
    std::string value;
    for (std::size_t i = 0; i + 1 < arguments.size(); ++i) {
        if (arguments[i] == kHandleArgument) value = fl::i18n::to_string(arguments[i + 1]);
    }
    return value;
}

}  // namespace

void tarnel_interface::setupTransport() {
    CefRefPtr<CefCommandLine> commandLine = AppGetCommandLine();
    threadPool = foundation::io::IOServiceThreadpool::createThreadpool(kPoolThreads);
    if (commandLine->HasSwitch("listen")) {
        const std::string listenValue = commandLine->GetSwitchValue("listen").ToString();
        try {
            configureForlistening(fl::i18n::to_ustring(listenValue));
        } catch (const std::exception& failure) {
            // Peers cannot join, but the host can still drive the windows.
            FOUNDATION_LOG(veltrane_log::bridgeLogger(), veltrane_log::kError)
                << "Not listening for peers:" << veltrane_log::kv("listen", listenValue)
                << veltrane_log::kv("error", failure.what());
        }
    }
    const std::string handle = handleValue();
    SessionProtocol::init(protocolName(), versionKey());
    foundation::msg_svc::exchange::ExchangeProtocol::init();
    cefexchange::Gaviston::init();
    boost::shared_ptr<Session> partnerSession = Session::create(kSessionType, threadPool, "");
    setExchangeSession(partnerSession);
    try {
        partnerSession->attachToParentClient(
            kHandleType, handle, [] { foundation::core::app::fast_exit(0); }, Session::Callback());
        disconnectPeerNamedLikeHost();
    } catch (...) {
        const std::string diagnostic = boost::current_exception_diagnostic_information();
        std::cout << "Excpetion is thrown while trying to attach" << diagnostic << "TransportHandle type:" << kHandleType
                  << " TransportHandleDesc : " << handle << std::endl;
        FOUNDATION_LOG(veltrane_log::bridgeLogger(), veltrane_log::kError)
            << "Unexpected exception while launching server:" << "\n" << "    " << diagnostic << "\n";
    }
    std::call_once(serviceThreadStarted, [this] { startServiceThread(); });
}

void tarnel_interface::configureForlistening(std::u16string listenValue) {
    VELTRANE_TRACE_SCOPE(veltrane_log::bridgeLogger());
    listeningSession = cef::transport::CEFServerTransportSession::create();
    listeningSession->init(threadPool, protocolName(), versionKey());
    listener = listeningSession->listen({std::move(listenValue)});
    // Peers hear events; only the host commands the windows.
    listener->setPeerRights(foundation::msg_svc::exchange::PartnerRights::hearOnly);
    listener->registerCallbacks(
        [this](const std::string& name, foundation::msg_svc::exchange::IDType id,
               std::shared_ptr<cef::transport::CEFServerTransportAPI> peer,
               bool refused) { onPeerConnected(name, id, std::move(peer), refused); },
        [this](std::shared_ptr<cef::transport::CEFServerTransportAPI> peer) { onPeerDisconnected(std::move(peer)); },
        cef::transport::CEFServerTransportListener::ConnectionFailed());
}

void tarnel_interface::onPeerConnected(const std::string& /*name*/, foundation::msg_svc::exchange::IDType /*id*/,
                                       std::shared_ptr<cef::transport::CEFServerTransportAPI> peer, bool refused) {
    if (refused || !peer) return;
    addListeningPeer(peer->name(), peer);
}

void tarnel_interface::onPeerDisconnected(std::shared_ptr<cef::transport::CEFServerTransportAPI> peer) {
    if (peer) removeListeningPeer(peer);
}

void tarnel_interface::startServiceThread() {
    boost::shared_ptr<CEFBrowserService> service = CEFBrowserService::create();
    {
        std::lock_guard lock(peersMutex);
        browserService = service;
    }
    std::promise<void> ended;
    serviceThreadEnded = ended.get_future();
    std::thread(&tarnel_interface::serviceThreadMain, service, std::move(ended)).detach();
}

void tarnel_interface::serviceThreadMain(boost::shared_ptr<CEFBrowserService> service, std::promise<void> ended) {
    service->mainServiceLoop();
    service.reset();
    ended.set_value();
}

void tarnel_interface::shutdownAttachableServer() {
    VELTRANE_TRACE_SCOPE(veltrane_log::bridgeLogger());
    boost::shared_ptr<CEFBrowserService> service;
    {
        std::lock_guard lock(peersMutex);
        service = browserService;
    }
    // First, so that the replies to the commands already queued still leave before the pool stops (a host
    // whose command came later learns of the end from its connection), and so that the detached service thread
    // is not left waiting while the process's statics go away.
    if (service) {
        service->stop();
        if (serviceThreadEnded.valid()) serviceThreadEnded.wait_for(kServiceThreadEndWait);
    }
    if (listeningSession) listeningSession->terminate();
    if (listener) listener->close();
    boost::shared_ptr<Session> partnerSession;
    {
        std::lock_guard lock(peersMutex);
        for (const auto& [name, peer] : peers) {
            if (peer) peer->close();
        }
        peers.clear();
        partnerSession = session;
    }
    if (threadPool) threadPool->stop();
    if (partnerSession) shutdownResult = partnerSession->terminate();
}

}  // namespace client
