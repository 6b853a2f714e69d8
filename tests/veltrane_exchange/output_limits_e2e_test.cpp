// The real program over the exchange with a host that stops reading and peers that never read: nothing meant for
// the host is lost, memory stays bounded, and the host is served throughout.
#include <atomic>
#include <map>
#include <set>
#include <thread>

#include <boost/make_shared.hpp>
#include <gtest/gtest.h>

#include "ExchangeHost.h"
#include "VeltraneChild.h"
#include "cefexchange/messages.h"
#include "pausing_host.h"
#include "process_memory.h"

namespace {

using namespace exchange_test;

constexpr auto kAnswerDeadline = 5s;
constexpr int kFloodCommands = 40000;
constexpr std::size_t kUrlBytes = 4096;
// Far less than the flood's 160 MB of commands and their 160 MB of events.
constexpr std::size_t kFloodMemoryBound = 128u * 1024 * 1024;

std::string floodUrl(int index) {
    std::string url = "https://flood.test/" + std::to_string(index) + "/";
    url.resize(kUrlBytes, 'u');
    return url;
}

int floodIndex(const std::string& url) { return std::stoi(url.substr(std::string("https://flood.test/").size())); }

// Everything the program told the host, counted as it arrives.
struct Heard {
    exchange::IDType lastReply = 0;
    bool repliesInOrder = true;
    std::set<exchange::IDType> replied;
    int nextFloodUrl = 0;
    bool urlsInOrder = true;
    std::map<std::string, int> commands;  // by window and word
    std::map<std::string, int> positions;  // by window

    void take(const exchange::wire::Frame& frame) {
        if (frame.kind_case() == exchange::wire::Frame::kReply) {
            repliesInOrder = repliesInOrder && frame.reply().id() > lastReply;
            lastReply = frame.reply().id();
            replied.insert(lastReply);
            return;
        }
        if (frame.kind_case() != exchange::wire::Frame::kMessage) return;
        auto message = exchange::ExchangeProtocol::decode(frame.message().type(), frame.message().payload());
        if (auto url = boost::dynamic_pointer_cast<const cefexchange::SetURLMessage>(message)) {
            if (url->getData().url().starts_with("https://flood.test/"))
                urlsInOrder = urlsInOrder && floodIndex(url->getData().url()) == nextFloodUrl++;
        } else if (auto command = boost::dynamic_pointer_cast<const cefexchange::SetCommandMessage>(message)) {
            ++commands[command->getData().windowid() + " " + command->getData().command()];
        } else if (auto position = boost::dynamic_pointer_cast<const cefexchange::GetPositionMessage>(message)) {
            ++positions[position->getData().windowid()];
        }
    }
};

class OutputLimitsTest : public ::testing::Test {
protected:
    void SetUp() override { initProtocols(); }

    void start(std::vector<std::string> extra = {}) {
        std::vector<std::string> arguments = {"--from-webwindow", "-NamedPipeHandle", host.socketPath()};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        child = std::make_unique<veltrane_host::ChildProcess>(VELTRANE_BINARY, arguments);
        ASSERT_TRUE(host.accept()) << "the program did not attach";
    }

    // Reads until the condition holds; false when the program falls silent or the time is up first.
    template <class Condition>
    bool readUntil(Condition done, std::chrono::seconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            auto frame = host.readFrame();
            if (!frame) return false;
            heard.take(*frame);
        }
        return true;
    }

    // The host is served: a new window opens and its position is answered in time.
    bool windowOpensAndAnswersItsPosition(const std::string& id) {
        const auto start = std::chrono::steady_clock::now();
        host.send(cefexchange::NewWindowMessage(id, "https://e2e.test/" + id, 10, 20, 640, 480, 0, true, "Standard",
                                                "", false, "", ""));
        if (!readUntil([&] { return heard.commands[id + " loadFinished"] > 0; }, kAnswerDeadline)) return false;
        host.send(cefexchange::SetCommandMessage(id, "GetPosition"));
        const auto left = std::chrono::duration_cast<std::chrono::seconds>(
            kAnswerDeadline - (std::chrono::steady_clock::now() - start));
        return readUntil([&] { return heard.positions[id] > 0; }, std::max(left, std::chrono::seconds(1)));
    }

    TempFolder folder;
    PausingHost host{folder / "host.sock"};
    std::unique_ptr<veltrane_host::ChildProcess> child;
    Heard heard;
};

}  // namespace

TEST_F(OutputLimitsTest, AFloodWhileTheHostDoesNotReadLosesNothingAndStaysWithinItsMemoryBound) {
    start();
    ASSERT_TRUE(windowOpensAndAnswersItsPosition("w"));
    const std::size_t before = residentBytes(child->pid());
    const exchange::IDType firstFloodId = host.send(cefexchange::SetTitleMessage("w", "before the flood")) + 1;

    std::atomic<int> sent{0};
    std::atomic<bool> writeFailed{false};
    std::thread flood([&] {
        try {
            for (int i = 0; i < kFloodCommands; ++i, ++sent) host.send(cefexchange::SetURLMessage("w", floodUrl(i)));
        } catch (const std::exception&) {
            writeFailed = true;
        }
    });
    // Not read until the host's writes have stopped moving (or all went out), watching the program's memory.
    std::size_t peak = before;
    int lastSent = -1;
    for (int quiet = 0; quiet < 20 && sent < kFloodCommands;) {
        std::this_thread::sleep_for(100ms);
        peak = std::max(peak, residentBytes(child->pid()));
        quiet = sent == lastSent ? quiet + 1 : 0;
        lastSent = sent;
    }
    EXPECT_TRUE(readUntil([&] { return heard.nextFloodUrl == kFloodCommands && sent == kFloodCommands; }, 300s))
        << heard.nextFloodUrl << " of the URLs came";
    flood.join();
    ASSERT_FALSE(writeFailed);
    const exchange::IDType lastFloodId = firstFloodId + kFloodCommands - 1;
    ASSERT_TRUE(readUntil([&] { return heard.lastReply >= lastFloodId; }, 30s));
    for (exchange::IDType id = firstFloodId; id <= lastFloodId; ++id)
        ASSERT_TRUE(heard.replied.contains(id)) << "no reply to message " << id;

    EXPECT_TRUE(heard.urlsInOrder);
    EXPECT_TRUE(heard.repliesInOrder);
    EXPECT_TRUE(readUntil([&] {
        return heard.commands["w loadStarted"] == kFloodCommands + 1 && heard.commands["w loadFinished"] == kFloodCommands + 1;
    }, 30s)) << heard.commands["w loadStarted"] << " starts, " << heard.commands["w loadFinished"] << " ends";
#ifndef VELTRANE_SANITIZED  // the address sanitizer keeps freed memory for a while
    EXPECT_LT(peak, before + kFloodMemoryBound) << "grew from " << before << " to " << peak;
#endif
    EXPECT_TRUE(windowOpensAndAnswersItsPosition("after"));
    EXPECT_FALSE(child->waitForExit(0ms));
}

TEST_F(OutputLimitsTest, APeerThatNeverReadsIsDisconnectedWhileTheHostAndTheOtherPeersHearEverything) {
    const std::string listenPath = folder / "listen.sock";
    start({"--listen=" + listenPath});
    boost::asio::io_context context;
    RawEnd stuck = RawEnd::connect(context, listenPath);
    stuck.writeHandshake("stuck", kProtocol, kVersion);
    std::vector<std::unique_ptr<veltrane_host::ExchangePeer>> listening;
    std::vector<std::unique_ptr<std::atomic<int>>> urlsHeard;
    for (const char* name : {"peer-1", "peer-2"}) {
        listening.push_back(std::make_unique<veltrane_host::ExchangePeer>(name, listenPath));
        ASSERT_TRUE(listening.back()->waitForPartner(kAnswerDeadline));
        auto& heardByPeer = *urlsHeard.emplace_back(std::make_unique<std::atomic<int>>(0));
        listening.back()->observe([&heardByPeer](const veltrane_host::ExchangeEndpoint::Received& received) {
            auto url = boost::dynamic_pointer_cast<const cefexchange::SetURLMessage>(received.message);
            if (url && url->getData().url().starts_with("https://flood.test/") &&
                floodIndex(url->getData().url()) == heardByPeer)
                ++heardByPeer;
        });
    }
    ASSERT_TRUE(windowOpensAndAnswersItsPosition("w"));
    const std::size_t before = residentBytes(child->pid());

    // 20 MB of events for each listener, far more than a peer may leave unread, in batches that the listening
    // peers take in before the next.
    constexpr int kEvents = 5000;
    constexpr int kBatch = 100;
    std::size_t peak = before;
    for (int batch = 0; batch < kEvents; batch += kBatch) {
        for (int i = batch; i < batch + kBatch; ++i) host.send(cefexchange::SetURLMessage("w", floodUrl(i)));
        ASSERT_TRUE(readUntil([&] {
            peak = std::max(peak, residentBytes(child->pid()));
            return heard.nextFloodUrl == batch + kBatch;
        }, 30s));
        for (const auto& count : urlsHeard)
            ASSERT_TRUE(eventually([&] { return *count == batch + kBatch; }, 30s)) << *count << " of the events, in order";
    }
    EXPECT_TRUE(heard.urlsInOrder);
    EXPECT_TRUE(windowOpensAndAnswersItsPosition("during")) << "the host is served while the peer is stuck";
    EXPECT_TRUE(stuck.closedByOtherSide()) << "the peer that never reads is disconnected";
#ifndef VELTRANE_SANITIZED
    EXPECT_LT(peak, before + 64u * 1024 * 1024) << "grew from " << before << " to " << peak;
#endif
    EXPECT_TRUE(windowOpensAndAnswersItsPosition("after"));
    EXPECT_FALSE(child->waitForExit(0ms));
}
