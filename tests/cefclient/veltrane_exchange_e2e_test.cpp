// The real program driven over the exchange by a host of the test's own, with further peers on its listening
// socket.
#include <filesystem>
#include <thread>

#include <boost/make_shared.hpp>
#include <gtest/gtest.h>

#include "ExchangeHost.h"
#include "VeltraneChild.h"
#include "cefexchange/messages.h"

using namespace std::chrono_literals;
using veltrane_host::ExchangeEndpoint;
using veltrane_host::ExchangeHost;
using veltrane_host::ExchangePeer;
using MessagePtr = boost::shared_ptr<const foundation::msg_svc::exchange::Message>;

namespace {

constexpr auto kWait = 10s;
#ifdef VELTRANE_SANITIZED
constexpr auto kExitDeadline = 5s;  // instrumented builds take longer to exit
#else
constexpr auto kExitDeadline = 2s;
#endif
constexpr char kAttachFailure[] = "Excpetion is thrown while trying to attach";
constexpr char kBridgeErrors[] = "LUMBRITH_LOG_CHANNELS=client::tarnel_interface=256";

MessagePtr newWindow(const std::string& id) {
    return boost::make_shared<cefexchange::NewWindowMessage>(id, "https://e2e.test/" + id, 10, 20, 640, 480, 0, true,
                                                             "Standard", "", false, "", "");
}

MessagePtr command(const std::string& id, const std::string& word) {
    return boost::make_shared<cefexchange::SetCommandMessage>(id, word);
}

template <class M>
std::vector<boost::shared_ptr<const M>> ofType(const std::vector<ExchangeEndpoint::Received>& received) {
    std::vector<boost::shared_ptr<const M>> found;
    for (const auto& entry : received) {
        if (auto message = boost::dynamic_pointer_cast<const M>(entry.message)) found.push_back(message);
    }
    return found;
}

// The index of the first SetCommand with the window and word; -1 when there is none.
long findCommand(const std::vector<ExchangeEndpoint::Received>& received, const std::string& id,
                 const std::string& word) {
    for (std::size_t i = 0; i < received.size(); ++i) {
        auto message = boost::dynamic_pointer_cast<const cefexchange::SetCommandMessage>(received[i].message);
        if (message && message->getData().windowid() == id && message->getData().command() == word)
            return static_cast<long>(i);
    }
    return -1;
}

bool heard(ExchangeEndpoint& endpoint, const std::string& id, const std::string& word) {
    return endpoint.waitFor([&](const auto& received) { return findCommand(received, id, word) >= 0; }, kWait);
}

class VeltraneExchangeTest : public ::testing::Test {
protected:
    void start(std::vector<std::string> extra = {}, std::vector<std::string> environment = {}) {
        std::vector<std::string> arguments = {"--from-webwindow", "-NamedPipeHandle", host.socketPath()};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        child = std::make_unique<veltrane_host::ChildProcess>(VELTRANE_BINARY, arguments, environment);
        ASSERT_TRUE(host.waitForPartner(kWait)) << "the browser-window host did not attach";
    }

    void open(const std::string& id) {
        ASSERT_TRUE(host.command(newWindow(id), kWait));
        ASSERT_TRUE(heard(host, id, "loadFinished")) << id;
    }

    // A peer is taken in some time after its handshake: positions of the window "sync" are asked until it
    // hears one.
    void awaitTakenIn(ExchangeEndpoint& peer) {
        const auto deadline = std::chrono::steady_clock::now() + kWait;
        while (std::chrono::steady_clock::now() < deadline) {
            ASSERT_TRUE(host.command(command("sync", "GetPosition"), kWait));
            if (peer.waitFor([](const auto& r) { return !ofType<cefexchange::GetPositionMessage>(r).empty(); }, 50ms))
                return;
        }
        FAIL() << "the peer was never taken in";
    }

    ExchangeHost host;
    std::unique_ptr<veltrane_host::ChildProcess> child;
};

}  // namespace

TEST_F(VeltraneExchangeTest, CommandsRightAfterTheHandshakeOpenAWindowThatReportsItsLoad) {
    start();
    // Sent at once: the service's queue may not be registered yet.
    ASSERT_TRUE(host.command(newWindow("first"), kWait));
    ASSERT_TRUE(heard(host, "first", "loadFinished"));
    // The URL follows the finished load.
    ASSERT_TRUE(host.waitFor([](const auto& r) { return !ofType<cefexchange::SetURLMessage>(r).empty(); }, kWait));
    const auto received = host.received();
    EXPECT_GE(findCommand(received, "first", "loadStarted"), 0);
    EXPECT_LT(findCommand(received, "first", "loadStarted"), findCommand(received, "first", "loadFinished"));
    EXPECT_LT(findCommand(received, "first", "browserCreated"), 0) << "browserCreated goes to the pipe only";
    const auto urls = ofType<cefexchange::SetURLMessage>(received);
    ASSERT_EQ(urls.size(), 1u);
    EXPECT_EQ(urls[0]->getData().url(), "https://e2e.test/first");
    for (const auto& entry : received) EXPECT_EQ(entry.sender, *host.partner());
}

TEST_F(VeltraneExchangeTest, EveryCommandIsAnsweredAndPositionsAndModalityAreReported) {
    start();
    open("a");
    open("b");
    ASSERT_TRUE(host.command(boost::make_shared<cefexchange::SetPositionMessage>("a", 40, 50, 800, 600, true, 0u, false),
                             kWait));
    ASSERT_TRUE(host.command(command("a", "GetPosition"), kWait));
    ASSERT_TRUE(host.waitFor([](const auto& received) {
        for (const auto& position : ofType<cefexchange::GetPositionMessage>(received)) {
            const auto& p = position->getData();
            if (p.windowid() == "a" && p.x() == 40 && p.y() == 50 && p.width() == 800 && p.height() == 600) return true;
        }
        return false;
    }, kWait));

    ASSERT_TRUE(host.command(boost::make_shared<cefexchange::SetWindowModalMessage>("b", true), kWait));
    ASSERT_TRUE(heard(host, "a", "setDeactivateCurrentWindow"));
    ASSERT_TRUE(host.command(boost::make_shared<cefexchange::SetWindowModalMessage>("b", false), kWait));
    ASSERT_TRUE(host.waitFor([](const auto& received) {
        const auto modal = ofType<cefexchange::SetWindowModalMessage>(received);
        return modal.size() == 2 && modal[0]->getData().modal() && !modal[1]->getData().modal();
    }, kWait));
    ASSERT_TRUE(host.command(command("a", "setActivateCurrentWindow"), kWait));
    ASSERT_TRUE(heard(host, "a", "setActivateCurrentWindow"));

    const std::vector<MessagePtr> others = {
        boost::make_shared<cefexchange::SetTitleMessage>("a", "Title"),
        boost::make_shared<cefexchange::SetZoomLevelMessage>("a", 2),
        boost::make_shared<cefexchange::AllowCertificateMessage>("", "pem"),
        boost::make_shared<cefexchange::ProxyAuthMessage>("", "user", "secret"),
        boost::make_shared<cefexchange::ScreenShotMessage>("a", "png", 1, 1),
        boost::make_shared<cefexchange::SetTitleMessage>("no-such-window", "ignored"),
        command("no-such-window", "close"),
    };
    for (const MessagePtr& message : others) EXPECT_TRUE(host.command(message, kWait));
    EXPECT_FALSE(child->waitForExit(0ms));
}

TEST_F(VeltraneExchangeTest, PeersHearEveryEventOnceAfterThePartnerAndOneLeavingHarmsNothing) {
    const std::string listenPath = veltrane_host::freshSocketPath("veltrane-listen");
    start({"--listen=" + listenPath});
    ExchangePeer first("peer-1", listenPath);
    auto second = std::make_unique<ExchangePeer>("peer-2", listenPath);
    ASSERT_TRUE(first.waitForPartner(kWait));
    ASSERT_TRUE(second->waitForPartner(kWait));
    open("sync");
    awaitTakenIn(first);
    awaitTakenIn(*second);
    open("w");
    for (ExchangeEndpoint* peer : {static_cast<ExchangeEndpoint*>(&first), static_cast<ExchangeEndpoint*>(second.get())}) {
        ASSERT_TRUE(heard(*peer, "w", "loadFinished"));
        const auto hostEvents = host.received();
        const auto peerEvents = peer->received();
        const long atHost = findCommand(hostEvents, "w", "loadFinished");
        const long atPeer = findCommand(peerEvents, "w", "loadFinished");
        EXPECT_LT(hostEvents[atHost].messageId, peerEvents[atPeer].messageId) << "the partner comes first";
        int copies = 0;
        for (const auto& entry : peerEvents) {
            auto message = boost::dynamic_pointer_cast<const cefexchange::SetCommandMessage>(entry.message);
            copies += message && message->getData().windowid() == "w" && message->getData().command() == "loadFinished";
        }
        EXPECT_EQ(copies, 1);
    }

    // One peer leaves while events stream out.
    std::thread stream([&] {
        for (int i = 0; i < 50; ++i) host.command(boost::make_shared<cefexchange::SetZoomLevelMessage>("w", i % 5), kWait);
    });
    std::this_thread::sleep_for(5ms);
    second.reset();
    stream.join();
    open("after");
    EXPECT_TRUE(heard(first, "after", "loadFinished"));
    EXPECT_FALSE(child->waitForExit(0ms));
}

TEST_F(VeltraneExchangeTest, AListenPathThatCannotBeUsedLeavesTheHostInCharge) {
    start({"--listen=/nonexistent-folder/veltrane.sock"}, {kBridgeErrors});
    open("w");
    EXPECT_FALSE(child->waitForExit(0ms));
    const auto log = child->receiveErrorText(kWait);
    ASSERT_TRUE(log);
    EXPECT_NE(log->find("Not listening for peers: listen=/nonexistent-folder/veltrane.sock"), std::string::npos) << *log;
}

TEST_F(VeltraneExchangeTest, HostClosingItsSocketEndsTheProcessAtOnceWithZero) {
    start();
    open("w");
    host.close();
    EXPECT_EQ(child->waitForExit(kExitDeadline), 0);
}

TEST_F(VeltraneExchangeTest, LastWindowClosingEndsTheProcessWithZeroAfterEveryConnectionEnded) {
    const std::string listenPath = veltrane_host::freshSocketPath("veltrane-listen");
    start({"--listen=" + listenPath});
    ExchangePeer peer("peer-1", listenPath);
    ASSERT_TRUE(peer.waitForPartner(kWait));
    open("a");
    open("b");
    ASSERT_TRUE(host.command(command("a", "close"), kWait));
    EXPECT_FALSE(child->waitForExit(200ms)) << "one window is still open";
    ASSERT_TRUE(host.command(command("b", "close"), kWait));
    EXPECT_EQ(child->waitForExit(kExitDeadline), 0);
    EXPECT_TRUE(peer.waitForPartnerGone(kWait));
    EXPECT_TRUE(host.waitForPartnerGone(kWait));
    EXPECT_FALSE(std::filesystem::exists(listenPath)) << "the listener removed its socket";
}

// A host that is not there, or no value at all: the failure is printed and logged, and the process runs on.
TEST(VeltraneExchangeAttach, FailedAttachIsPrintedLoggedAndTheProcessRunsOn) {
    const std::string unreachable = veltrane_host::freshSocketPath("veltrane-nobody");
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--from-webwindow", "-NamedPipeHandle", unreachable}, unreachable},
        {{"--from-webwindow", "-NamedPipeHandle", ""}, ""},
        {{"--from-webwindow", "-NamedPipeHandle"}, ""},
        {{"--from-webwindow", "-NamedPipeHandle", "/tmp/first", "-NamedPipeHandle", unreachable, "-NamedPipeHandle"},
         unreachable},
    };
    for (const auto& [arguments, handle] : cases) {
        veltrane_host::ChildProcess child(VELTRANE_BINARY, arguments, {kBridgeErrors});
        // The diagnostic may span lines; the handle ends the text.
        std::string printed;
        while (printed.find("TransportHandle type:") == std::string::npos) {
            const auto line = child.receiveLine(kWait);
            ASSERT_TRUE(line) << "printed for handle \"" << handle << "\": " << printed;
            printed += printed.empty() ? *line : "\n" + *line;
        }
        EXPECT_EQ(printed.rfind(kAttachFailure, 0), 0u) << printed;
        const std::string ending = "TransportHandle type:NamedPipeHandle TransportHandleDesc : " + handle;
        ASSERT_GE(printed.size(), ending.size()) << printed;
        EXPECT_EQ(printed.substr(printed.size() - ending.size()), ending) << printed;
        std::string log;
        while (log.find("Unexpected exception while launching server:") == std::string::npos) {
            auto more = child.receiveErrorText(kWait);
            if (!more) break;
            log += *more;
        }
        EXPECT_NE(log.find("Unexpected exception while launching server:\n    "), std::string::npos) << log;
        EXPECT_FALSE(child.waitForExit(300ms)) << "the process ended after a failed attach";
    }
}
