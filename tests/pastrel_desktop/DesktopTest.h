#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "EditorServices/Pastrel.h"
#include "pf/clipboard/PFClipboardTypes.h"

namespace desktop {

using Json = nlohmann::json;
using Mode = pf::clipboard::PFClipboardMode;
constexpr Mode clipboard = pf::clipboard::PFClipboardModeClipboard;
constexpr Mode selection = pf::clipboard::PFClipboardModeSelection;

// A PNG image of 3 by 2 pixels and its base64 text.
extern const std::string pngBase64;
std::string pngBytes();
// Width and height from a PNG's header; zeros when the bytes are no PNG.
std::pair<unsigned, unsigned> pngSize(const std::string& bytes);

// Runs a shell command and returns its standard output; a command that does not exit 0 fails the test.
std::string shell(const std::string& command);

// Another program reading or filling a selection, with xclip. Reads give up after ten seconds.
std::string readSelection(Mode mode, const std::string& target = "");
void offer(Mode mode, const std::string& target, const std::string& bytes);

// Polls the condition until it holds or ten seconds have passed.
bool eventually(const std::function<bool()>& condition);

// The flavour lists of the change notifications, which arrive on the event thread.
class ChangeLog {
public:
    EditorServices::Pastrel::NotifyCallback recorder();
    std::vector<Json> flavors() const;
    std::size_t count() const { return flavors().size(); }

private:
    mutable std::mutex mutex_;
    std::vector<Json> flavors_;
};

// The replies of Pastrel's requests, as a web editor sends them.
class Editor {
public:
    Json set(Mode mode, const std::vector<Json>& items);
    Json get(Mode mode, const Json& flavors);
    Json flavors();
    Json subscribe(EditorServices::Pastrel::NotifyCallback notify);
    // The content of one flavour after a get request; null when absent.
    Json content(Mode mode, const std::string& flavor) { return get(mode, Json::array({flavor}))["contents"][flavor]; }

    EditorServices::Pastrel backend;

private:
    static EditorServices::Pastrel::ReplyCallback into(std::string& text);
};

inline std::string modeName(const ::testing::TestParamInfo<Mode>& info) {
    return info.param == clipboard ? "Clipboard" : "Selection";
}

}  // namespace desktop
