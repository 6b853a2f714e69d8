#include "DesktopTest.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <mutex>
#include <sys/wait.h>
#include <thread>

namespace desktop {

const std::string pngBase64 =
    "iVBORw0KGgoAAAANSUhEUgAAAAMAAAACCAIAAAASFvFNAAAAEElEQVR4nGP4z8DAAMFwFgA72AX73hA3ZQAAAABJRU5ErkJggg==";

std::string pngBytes() { return shell("printf %s '" + pngBase64 + "' | base64 -d"); }

std::pair<unsigned, unsigned> pngSize(const std::string& bytes) {
    if (bytes.size() < 24 || bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return {0, 0};
    auto bigEndian = [&bytes](std::size_t at) {
        unsigned value = 0;
        for (std::size_t i = at; i < at + 4; ++i) value = value << 8 | static_cast<unsigned char>(bytes[i]);
        return value;
    };
    return {bigEndian(16), bigEndian(20)};
}

std::string shell(const std::string& command) {
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        ADD_FAILURE() << "cannot run " << command;
        return {};
    }
    std::string output;
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, got);
    const int status = pclose(pipe);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command << " ended with status " << status;
    return output;
}

namespace {

std::string xclipSelection(Mode mode) { return mode == clipboard ? "clipboard" : "primary"; }

}  // namespace

std::string readSelection(Mode mode, const std::string& target) {
    return shell("timeout 10 xclip -o -selection " + xclipSelection(mode) + (target.empty() ? "" : " -t " + target));
}

void offer(Mode mode, const std::string& target, const std::string& bytes) {
    char path[] = "/tmp/pastrel_desktop_XXXXXX";
    const int descriptor = mkstemp(path);
    ASSERT_NE(descriptor, -1);
    close(descriptor);
    std::ofstream(path, std::ios::binary) << bytes;
    // xclip stays in the background, serving the selection until another program takes it.
    shell("xclip -i -selection " + xclipSelection(mode) + " -t " + target + " " + path + " >/dev/null 2>&1");
    unlink(path);
}

bool eventually(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

EditorServices::Pastrel::NotifyCallback ChangeLog::recorder() {
    return [this](std::string text) {
        std::lock_guard lock(mutex_);
        flavors_.push_back(Json::parse(text)["flavors"]);
    };
}

std::vector<Json> ChangeLog::flavors() const {
    std::lock_guard lock(mutex_);
    return flavors_;
}

EditorServices::Pastrel::ReplyCallback Editor::into(std::string& text) {
    return [&text](std::string reply, std::string) { text = std::move(reply); };
}

Json Editor::set(Mode mode, const std::vector<Json>& items) {
    std::string reply;
    Json request{{"requestId", "set"}, {"uid", "u"}, {"contents", items}};
    backend.handleSetClipboardDataRequest(connector::message_service::JsonMessage(request.dump()), mode, into(reply));
    return Json::parse(reply);
}

Json Editor::get(Mode mode, const Json& flavors) {
    std::string reply;
    Json request{{"requestId", "get"}, {"uid", "u"}, {"flavors", flavors}};
    backend.handleGetClipboardDataRequest(connector::message_service::JsonMessage(request.dump()), mode, into(reply));
    return Json::parse(reply);
}

Json Editor::flavors() {
    std::string reply;
    backend.handleRequestForAvailableDataFlavors(connector::message_service::JsonMessage(R"({"requestId": "f"})"),
                                                 into(reply));
    return Json::parse(reply);
}

Json Editor::subscribe(EditorServices::Pastrel::NotifyCallback notify) {
    std::string reply;
    backend.handleRequestForClipboardChangeSubscription(connector::message_service::JsonMessage(R"({"requestId": "s"})"),
                                                        std::move(notify), into(reply));
    return Json::parse(reply);
}

}  // namespace desktop
