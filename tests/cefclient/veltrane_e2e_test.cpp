// The real program driven over its pipe by a host of the test's own.
#include <signal.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>

#include <gtest/gtest.h>

#include "HostCommands.h"
#include "VeltraneChild.h"
#include "cefclient_messages.pb.h"

using cefclient_messages::windowMessage;
using host_messages::command;
using host_messages::newWindow;
using host_messages::position;
using namespace std::chrono_literals;

namespace {

constexpr auto kReadTimeout = 5s;
// Generous: an exit is waited for, not timed, so a loaded machine does not fail the test.
constexpr auto kExitDeadline = 10s;

class VeltraneProcessTest : public ::testing::Test {
protected:
    void start(std::vector<std::string> arguments = {"--from-webwindow"}) {
        child = std::make_unique<veltrane_host::ChildProcess>(VELTRANE_BINARY, arguments);
        ASSERT_EQ(child->receive(kReadTimeout), "ProcessCreated");
    }

    void send(const windowMessage& message) { ASSERT_TRUE(child->send(message.SerializeAsString())); }

    // Reads window messages until one satisfies the predicate; fails on timeout.
    template <class Predicate>
    windowMessage awaitMessage(Predicate predicate) {
        for (;;) {
            auto frame = child->receive(kReadTimeout);
            if (!frame) {
                ADD_FAILURE() << "no matching message in time";
                return {};
            }
            windowMessage message;
            if (message.ParseFromString(*frame) && predicate(message)) return message;
        }
    }

    windowMessage awaitCommand(const std::string& id, const std::string& word) {
        return awaitMessage([&](const windowMessage& m) {
            return m.windowid() == id && m.has_setcommand() && m.setcommand().command() == word;
        });
    }

    void openWindow(const std::string& id) {
        send(newWindow(id));
        awaitCommand(id, "loadFinished");
    }

    windowMessage askPosition(const std::string& id) {
        send(command(id, "GetPosition"));
        return awaitMessage([&](const windowMessage& m) { return m.windowid() == id && m.has_getposition(); });
    }

    // Reads until "closePipes"; false when the stream ends or stays silent first.
    bool awaitClosePipes(std::chrono::milliseconds timeout = kReadTimeout) {
        while (auto frame = child->receive(timeout)) {
            if (*frame == "closePipes") return true;
        }
        return false;
    }

    using HostEnding = std::pair<const char*, std::function<void()>>;

    // The host closing its end of the pipe, cleanly or inside a frame.
    std::vector<HostEnding> closedPipeEndings() {
        return {
            {"clean end", [this] { child->closeInput(); }},
            {"end inside a frame",
             [this] {
                 ASSERT_TRUE(child->sendRaw(veltrane_host::frameHeader(10) + "abc"));
                 child->closeInput();
             }},
        };
    }

    std::unique_ptr<veltrane_host::ChildProcess> child;
};

// The id of a process that has ended and been reaped.
pid_t deadProcessID() {
    veltrane_host::ChildProcess ended("/bin/true", {});
    EXPECT_TRUE(ended.waitForExit(kReadTimeout));
    return ended.pid();
}


}  // namespace

TEST_F(VeltraneProcessTest, NewWindowReportsItsCreationAndLoadInOrder) {
    start();
    send(newWindow("w1"));
    std::vector<std::string> seen;
    std::string reportedURL;
    while (reportedURL.empty()) {
        const windowMessage message = awaitMessage([](const windowMessage& m) { return m.windowid() == "w1"; });
        if (message.has_setcommand()) seen.push_back(message.setcommand().command());
        if (message.has_updateurl()) reportedURL = message.updateurl().url();
    }
    EXPECT_EQ(reportedURL, "https://e2e.test/w1");
    auto position = [&](const std::string& word) { return std::find(seen.begin(), seen.end(), word) - seen.begin(); };
    ASSERT_LT(position("browserCreated"), static_cast<long>(seen.size()));
    ASSERT_LT(position("loadStarted"), static_cast<long>(seen.size()));
    ASSERT_LT(position("loadFinished"), static_cast<long>(seen.size()));
    EXPECT_LT(position("loadStarted"), position("loadFinished"));
}

TEST_F(VeltraneProcessTest, PositionIsAnsweredAndOnlyTheFirstSubMessageActs) {
    start();
    openWindow("w1");
    windowMessage answer = askPosition("w1");
    EXPECT_EQ(answer.getposition().width(), 640);
    EXPECT_EQ(answer.getposition().height(), 480);

    windowMessage both;
    both.set_windowid("w1");
    auto* position = both.mutable_setposition();
    position->set_x(1), position->set_y(2), position->set_width(300), position->set_height(200);
    position->set_didendresize(true), position->set_timestamp(0);
    both.mutable_setcommand()->set_command("close");
    send(both);
    answer = askPosition("w1");
    EXPECT_EQ(answer.getposition().x(), 1);
    EXPECT_EQ(answer.getposition().width(), 300);
    EXPECT_FALSE(child->waitForExit(0ms)) << "the second sub-message closed the window";
}

TEST_F(VeltraneProcessTest, BrokenMessagesAreDroppedAndTheProcessGoesOn) {
    start();
    openWindow("w1");
    ASSERT_TRUE(child->send(""));
    ASSERT_TRUE(child->send("\x0a\xff\xff\xff garbage"));
    send(command("no-such-window", "close"));
    send(command("w1", "Close"));
    const windowMessage answer = askPosition("w1");
    EXPECT_EQ(answer.getposition().height(), 480);
    EXPECT_FALSE(child->waitForExit(0ms));
}

TEST_F(VeltraneProcessTest, ClosingTheLastWindowSendsClosePipesAndExitsCleanly) {
    start();
    openWindow("a");
    openWindow("b");
    send(command("a", "close"));
    send(command("b", "close"));
    bool closePipes = false;
    while (auto frame = child->receive(kReadTimeout)) {
        if (*frame == "closePipes") {
            closePipes = true;
            break;
        }
    }
    EXPECT_TRUE(closePipes);
    // The bare control words go to standard error as well.
    EXPECT_EQ(child->receiveError(kReadTimeout), "ProcessCreated");
    EXPECT_EQ(child->receiveError(kReadTimeout), "closePipes");
    EXPECT_EQ(child->waitForExit(kReadTimeout), 0);
}

TEST_F(VeltraneProcessTest, HostEndingClosesEveryWindowAndEndsTheProcess) {
    veltrane_host::ChildProcess host("/bin/sleep", {"60"});
    start({"--from-webwindow", "--processid=" + std::to_string(host.pid())});
    openWindow("a");
    openWindow("b");
    ::kill(host.pid(), SIGKILL);
    ASSERT_TRUE(host.waitForExit(kReadTimeout));
    bool closePipes = false;
    while (auto frame = child->receive(kReadTimeout)) {
        if ((closePipes = *frame == "closePipes")) break;
    }
    EXPECT_TRUE(closePipes);
    EXPECT_EQ(child->waitForExit(kExitDeadline), 0);
}

TEST_F(VeltraneProcessTest, HostEndingWithoutWindowsEndsTheProcessToo) {
    veltrane_host::ChildProcess host("/bin/sleep", {"60"});
    start({"--from-webwindow", "--processid=" + std::to_string(host.pid())});
    ::kill(host.pid(), SIGKILL);
    ASSERT_TRUE(host.waitForExit(kReadTimeout));
    EXPECT_EQ(child->waitForExit(kExitDeadline), 0);
}

TEST_F(VeltraneProcessTest, EngineSubProcessReturnsAtOnceWithoutWindowOrTransport) {
    veltrane_host::ChildProcess renderer(VELTRANE_BINARY, {"--type=renderer"});
    EXPECT_EQ(renderer.waitForExit(kReadTimeout), 0);
    EXPECT_FALSE(renderer.receive(100ms));
}

TEST_F(VeltraneProcessTest, StandaloneStartOpensOneWindowAndNoTransport) {
    const std::string logFile = ::testing::TempDir() + "veltrane_standalone." + std::to_string(::getpid()) + ".log";
    std::remove(logFile.c_str());
    ::setenv("LUMBRITH_LOG_CHANNELS", "nativewindowmanager::modality=4", 1);
    ::setenv("LUMBRITH_LOG_FILE", logFile.c_str(), 1);
    veltrane_host::ChildProcess standalone(VELTRANE_BINARY, {"--url=https://standalone.test/"});
    ::unsetenv("LUMBRITH_LOG_CHANNELS");
    ::unsetenv("LUMBRITH_LOG_FILE");
    // The window's registration is logged once it is made; a loaded machine may take a while.
    std::string text;
    for (const auto deadline = std::chrono::steady_clock::now() + kReadTimeout;
         text.find("Registering a new window") == std::string::npos && std::chrono::steady_clock::now() < deadline;
         std::this_thread::sleep_for(20ms)) {
        std::ifstream log(logFile);
        text.assign(std::istreambuf_iterator<char>(log), std::istreambuf_iterator<char>());
    }
    EXPECT_FALSE(standalone.receive(1s)) << "a standalone window talks to nobody";
    // The host's commands are not read either: the window stays open.
    EXPECT_TRUE(standalone.send(command("", "close").SerializeAsString()));
    EXPECT_FALSE(standalone.waitForExit(500ms));
    std::ifstream log(logFile);
    text.assign(std::istreambuf_iterator<char>(log), std::istreambuf_iterator<char>());
    std::size_t registrations = 0;
    for (auto at = text.find("Registering a new window"); at != std::string::npos;
         at = text.find("Registering a new window", at + 1)) {
        ++registrations;
    }
    EXPECT_EQ(registrations, 1u) << text;
}

TEST_F(VeltraneProcessTest, WindowsOpenedAsTheProcessEndsNeverCrashIt) {
    for (int run = 0; run < 10; ++run) {
        SCOPED_TRACE(run);
        // The watch finds the host gone at once while the new window is still being made.
        start({"--from-webwindow", "--processid=" + std::to_string(deadProcessID())});
        child->send(newWindow("late").SerializeAsString());  // the process may be gone already
        awaitClosePipes();
        EXPECT_EQ(child->waitForExit(kReadTimeout), 0);

        // Each close may end the process while the next window is being made.
        start();
        std::string burst;
        for (int i = 0; i < 200; ++i) {
            const std::string id = "w" + std::to_string(i);
            for (const windowMessage& message : {newWindow(id), command(id, "close")}) {
                const std::string payload = message.SerializeAsString();
                burst += veltrane_host::frameHeader(static_cast<std::uint32_t>(payload.size())) + payload;
            }
        }
        const std::string last = newWindow("last").SerializeAsString();
        burst += veltrane_host::frameHeader(static_cast<std::uint32_t>(last.size())) + last;
        child->sendRaw(burst);  // the process may end before it has read all of it
        child->closeInput();
        while (child->receive(kReadTimeout)) {
        }
        EXPECT_EQ(child->waitForExit(kReadTimeout), 0);
    }
}

TEST_F(VeltraneProcessTest, EveryEndOfTheHostsPipeClosesTheWindowsAndEndsTheProcess) {
    std::vector<HostEnding> endings = closedPipeEndings();
    // The host keeps its end open: the oversized length alone ends the stream.
    endings.push_back(
        {"oversized frame", [&] { ASSERT_TRUE(child->sendRaw(veltrane_host::frameHeader((64u << 20) + 1))); }});
    for (const auto& [name, endPipe] : endings) {
        SCOPED_TRACE(name);
        start();
        openWindow("a");
        openWindow("b");
        endPipe();
        EXPECT_TRUE(awaitClosePipes());
        EXPECT_EQ(child->waitForExit(kExitDeadline), 0);
    }
    // Without any window the end of the pipe ends the process too.
    start();
    child->closeInput();
    EXPECT_TRUE(awaitClosePipes());
    EXPECT_EQ(child->waitForExit(kExitDeadline), 0);
}

TEST_F(VeltraneProcessTest, QtClientModeWithNoReceiverEndsWithEveryEndOfItsHost) {
    std::unique_ptr<veltrane_host::ChildProcess> host;
    std::vector<HostEnding> endings = closedPipeEndings();
    endings.push_back({"watched host exits", [&] {
                           ::kill(host->pid(), SIGKILL);
                           ASSERT_TRUE(host->waitForExit(kReadTimeout));
                       }});
    for (const auto& [name, endHost] : endings) {
        SCOPED_TRACE(name);
        host = std::make_unique<veltrane_host::ChildProcess>("/bin/sleep", std::vector<std::string>{"60"});
        start({"--from-webwindow", "--using-qt", "--processid=" + std::to_string(host->pid())});
        send(newWindow("signalled"));  // becomes a signal nobody receives; no window opens
        endHost();
        EXPECT_TRUE(awaitClosePipes());
        EXPECT_EQ(child->waitForExit(kExitDeadline), 0);
    }
}

TEST_F(VeltraneProcessTest, ScreenshotLargerThanAnyScreenIsRefusedAndTheProcessGoesOn) {
    start();
    openWindow("w1");
    send(position("w1", 2147483647, 2147483647));
    send(command("w1", "getScreenshot"));
    const windowMessage refused = awaitMessage([](const windowMessage& m) { return m.has_screenshot(); });
    EXPECT_EQ(refused.screenshot().imagedata(), "");
    EXPECT_EQ(refused.screenshot().width(), 0);
    EXPECT_EQ(refused.screenshot().height(), 0);
    EXPECT_EQ(askPosition("w1").getposition().width(), 2147483647);

    send(position("w1", 64, 32));
    send(command("w1", "getScreenshot"));
    const windowMessage taken = awaitMessage([](const windowMessage& m) { return m.has_screenshot(); });
    EXPECT_EQ(taken.screenshot().width(), 64);
    EXPECT_EQ(taken.screenshot().imagedata().rfind("\x89PNG", 0), 0u);
}

TEST_F(VeltraneProcessTest, ProcessIdThatNamesNoProcessEndsOnlyWhenNegative) {
    for (const char* value : {"0", "not-a-number", ""}) {
        SCOPED_TRACE(value);
        start({"--from-webwindow", std::string("--processid=") + value});
        EXPECT_FALSE(child->waitForExit(600ms)) << "no host is watched";
        child->closeInput();
        EXPECT_EQ(child->waitForExit(kExitDeadline), 0);
    }
    start({"--from-webwindow", "--processid=-5"});
    EXPECT_TRUE(awaitClosePipes());
    EXPECT_EQ(child->waitForExit(kExitDeadline), 0);
}
