#pragma once

#include <cstdint>
#include <iosfwd>
#include <atomic>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include <Poco/Mutex.h>
#include <Poco/RunnableAdapter.h>
#include <Poco/Thread.h>
#include <Poco/Timer.h>
#include <QtCore/QObject>
#include <QtCore/QSize>
#include <QtCore/QString>
#include <boost/shared_ptr.hpp>
#include <google/protobuf/stubs/common.h>

#include "veltranelib/native_window.h"
#include "cefclient/CredentialStore.h"
#include "cefclient/QWindowParamsPtr.h"
#include "cefclient/QtNamespace.h"
#include "cefclient_messages.pb.h"
#include "foundation/msg_svc/exchange/address.h"
#include "foundation/msg_svc/exchange/exchange_api.h"
#include "foundation/msg_svc/transport/layers/session/session.h"
#include "veltranelib/temp_window_win.h"

class NativeWindowManager;

namespace foundation::io {
class IOServiceThreadpool;
}
namespace cef::transport {
class CEFServerTransportAPI;
class CEFServerTransportListener;
class CEFServerTransportSession;
}  // namespace cef::transport

namespace client {

class CEFBrowserService;

// The one object through which the browser process talks to the host program that started it: the pipe on
// standard input and output or the exchange session, the list of open windows and the watch on the host.
//
// Its sources, one concern each:
//   tarnel_interface.cpp             start of the transport, the watch on the host, closing windows
//   tarnel_interface_doors.cpp       free functions behind the narrow doors for the rest of the host:
//                                    HostReport.h, WindowLookup.h, BridgeServices.h
//   tarnel_interface_pipe.cpp        the pipe: reader thread, dispatch of host commands, writers
//   tarnel_interface_exchange.cpp    the exchange: sending events to the partner and the listening peers
//   tarnel_interface_exchange_session.cpp  the exchange: session to the host, listener, service thread, shut-down
//   tarnel_interface_qt_signals.cpp  host commands emitted as signals instead of carried out ("using-qt")
//   tarnel_interface_windows.cpp     the window list, pop-ups, titles, downloads, certificates, credentials
class tarnel_interface : public ZQ_QT::QObject {
    Q_OBJECT

public:
    using WindowEntry = std::pair<scoped_refptr<NativeWindow>, scoped_refptr<window_notifier::IVeltraneInterface>>;

    static tarnel_interface* instance();
    ~tarnel_interface() override;

    void startCommunication();
    // Once the UI loop has ended: stops the reader and the watch from acting and closes the way to the UI thread,
    // so that the loop may be destroyed.
    void stopCommunication();
    void notifyWindowClose(const std::string& windowID);
    void deregisterWebWindow(std::string windowID);
    void closeAllWindows(bool force);
    void setParentProcessID(std::int32_t processID);
    void checkParentProcess(Poco::Timer& timer);
    std::shared_ptr<NativeWindowManager> getWindowManager();

    // Pipe transport.
    void attachPipe(std::istream& in, std::ostream& out, std::ostream& err);
    void readPipeMessages();
    void processWindowMessages(const std::string& payload);
    void sendPipeMessage(const std::string& payload);
    void sendEventToHost(std::string windowID, std::string event, std::vector<std::string> args);

    // Window services shared by both transports and the event sinks.
    scoped_refptr<NativeWindow> findNativeWindowByID(const std::string& windowID);
    void registerWebWindow(scoped_refptr<NativeWindow> window, scoped_refptr<window_notifier::IVeltraneInterface> sink);
    // Makes the window and its event sink and registers them at once; the window opens on the UI thread.
    void openNewWindow(const QWindowParams& request);
    std::vector<WindowEntry> windows();
    void createPopUpWindow(std::string parentWindowID, const CefString& targetURL, const CefPopupFeatures& features,
                           CefWindowInfo& windowInfo, CefRefPtr<CefClient>& client, CefBrowserSettings& settings,
                           int origin, bool flag);
    void updateWindowTitle(std::string windowID, const std::string& title);
    void setDownloadPath(std::string path);
    std::string downloadPath();
    std::int32_t getHostProcessID();
    bool isUsingPipes() const { return usePipes; }

    // Certificates and proxy credentials given by the host.
    void addAllowedCertificates(const std::string& bundle);
    bool isCertificateAllowed(std::string pem);
    void setProxyCredentials(const std::string& user, const std::string& password);
    std::pair<std::string, std::string> getProxyCredentials();

    // Qt client mode: host commands become signals.
    void processWindowMessagesForQtClient(cefclient_messages::windowMessage message);

    // Exchange transport.
    void setupTransport();
    void configureForlistening(std::u16string listenValue);
    void onPeerConnected(const std::string& name, foundation::msg_svc::exchange::IDType id,
                         std::shared_ptr<cef::transport::CEFServerTransportAPI> peer, bool refused);
    void onPeerDisconnected(std::shared_ptr<cef::transport::CEFServerTransportAPI> peer);
    void startServiceThread();
    void shutdownAttachableServer();
    template <class M>
    void sendMessageUsingExchange(boost::shared_ptr<M> message);
    foundation::msg_svc::exchange::Address getPartnerAddress();
    void setExchangeSession(boost::shared_ptr<foundation::msg_svc::transport::layers::session::Session> session);
    // A peer replaces a stale entry under its name; one under the host's name is disconnected.
    void addListeningPeer(const std::string& name, std::shared_ptr<cef::transport::CEFServerTransportAPI> peer);
    // Only while the entry under its name is this peer.
    void removeListeningPeer(const std::shared_ptr<cef::transport::CEFServerTransportAPI>& peer);
    // Once the host has attached: the host's name is the host's, so a peer that took it first is disconnected.
    void disconnectPeerNamedLikeHost();

signals:
    void newWindow(QWindowParamsPtr);
    void setURL(QString, QString);
    void setIcon(QString, QString);
    void setTitle(QString, QString);
    void windowCommand(QString, QString);
    void updatePosition(QString, bool, int, int, int, int);
    void lastWindowClosed();
    void setZoomLevel(QString, int);
    void setMinMaxSize(QString, QSize, bool);
    void setWindowOnTop(QString, bool);
    void enableDragDrop(QString, bool);
    void executeJS(QString, QString);
    void updateDownloadPath(QString, QString);
    void printToPDF(QString, QString);
    void handleAllWindowsActivated(QString, bool);
    void handleWindowModal(QString, bool);

private:
    tarnel_interface();

    // Parses into message, which a caller may keep from frame to frame, then acts on it.
    void processWindowMessages(const std::string& payload, cefclient_messages::windowMessage& message);
    void hostGone();
    void closeWindowsOfGoneHost();
    void endAfterLastWindow();
    void writeFrame(std::ostream& stream, const std::string& payload);
    static void serviceThreadMain(boost::shared_ptr<CEFBrowserService> service, std::promise<void> ended);
    // Under peersMutex: the attached host's name, empty before it attached.
    std::string hostNameLocked() const;
    static void refusePeerUnderHostName(const std::shared_ptr<cef::transport::CEFServerTransportAPI>& peer);

    std::unique_ptr<Poco::Thread> pipeReaderThread;
    std::unique_ptr<Poco::RunnableAdapter<tarnel_interface>> pipeReaderRunnable;
    std::unique_ptr<Poco::Timer> parentWatchTimer;
    std::unique_ptr<Poco::TimerCallback<tarnel_interface>> parentWatchCallback;
    Poco::Mutex pipeWriteMutex;
    std::atomic<bool> readerRunning{false};
    bool pipeOpen = false;  // under pipeWriteMutex
    std::atomic<bool> parentWatchRunning{false};
    std::atomic<bool> hostGoneSeen{false};
    std::atomic<std::int32_t> hostProcessID{0};
    google::protobuf::LogSilencer protobufLogSilencer;
    std::mutex windowsMutex;  // guards windowList and downloadDir
    std::vector<WindowEntry> windowList;
    std::string downloadDir;
    CredentialStore credentials;
    std::unique_ptr<TempWindowWin> tempWindow;
    bool usingQt = false;
    boost::shared_ptr<foundation::msg_svc::transport::layers::session::Session> session;  // under peersMutex
    boost::shared_ptr<foundation::io::IOServiceThreadpool> threadPool;
    boost::shared_ptr<foundation::msg_svc::exchange::ExchangeApi> exchangeApi;
    boost::shared_ptr<const foundation::msg_svc::transport::layers::session::Session::TerminateResult> shutdownResult;
    bool usePipes = true;
    std::unordered_map<std::string, std::shared_ptr<cef::transport::CEFServerTransportAPI>> peers;
    boost::shared_ptr<cef::transport::CEFServerTransportListener> listener;
    boost::shared_ptr<cef::transport::CEFServerTransportSession> listeningSession;
    std::mutex peersMutex;
    std::once_flag serviceThreadStarted;
    boost::shared_ptr<CEFBrowserService> browserService;  // under peersMutex
    std::future<void> serviceThreadEnded;
    std::shared_ptr<NativeWindowManager> windowManager;
    std::istream* pipeIn = nullptr;
    std::ostream* pipeOut = nullptr;
    std::ostream* pipeErr = nullptr;
};

}  // namespace client
