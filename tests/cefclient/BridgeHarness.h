#pragma once

// In-process harness: the bridge's pipe goes to string streams and posted window tasks run on demand.
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "aldermoss/cefclient_utils.h"
#include "cefclient/tarnel_interface.h"
#include "cefclient_messages.pb.h"
#include "veltranelib/main_message_loop_std.h"

namespace harness {

// Every frame written to a stream since the last call.
inline std::vector<std::string> takeFrames(std::stringstream& stream) {
    std::vector<std::string> frames;
    std::string frame;
    while (cefclient_utils::readMessageFromPipe(stream, frame)) frames.push_back(frame);
    stream.str("");
    stream.clear();
    return frames;
}

inline std::vector<cefclient_messages::windowMessage> parseAll(const std::vector<std::string>& frames) {
    std::vector<cefclient_messages::windowMessage> messages;
    for (const std::string& frame : frames) {
        cefclient_messages::windowMessage message;
        EXPECT_TRUE(message.ParseFromString(frame)) << "not a window message: " << frame;
        messages.push_back(message);
    }
    return messages;
}

inline std::string frame(const cefclient_messages::windowMessage& message) { return message.SerializeAsString(); }

class BridgeTest : public ::testing::Test {
protected:
    void SetUp() override {
        loop = std::make_unique<client::MainMessageLoopStd>();
        bridge().attachPipe(in, out, err);
    }
    void TearDown() override {
        runUiTasks();
        closeEveryWindow();
        loop.reset();
    }

    static client::tarnel_interface& bridge() { return *client::tarnel_interface::instance(); }

    // Runs what other threads and the dispatcher posted, then starts a fresh loop for what comes next.
    void runUiTasks() {
        client::MainMessageLoop* current = loop.get();
        current->PostClosure(base::Bind([current] { current->Quit(); }));
        current->Run();
        loop.reset();
        loop = std::make_unique<client::MainMessageLoopStd>();
    }

    std::vector<cefclient_messages::windowMessage> sent() { return parseAll(takeFrames(out)); }

    // Leaves the bridge without windows so that tests do not see each other's.
    void closeEveryWindow() {
        for (const auto& entry : bridge().windows()) bridge().deregisterWebWindow(entry.first->getID());
        takeFrames(out);
        takeFrames(err);
    }

    std::unique_ptr<client::MainMessageLoop> loop;
    std::stringstream in;
    std::stringstream out;
    std::stringstream err;
};

}  // namespace harness
