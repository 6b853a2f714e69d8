#include "cefclient/HostEventBuilder.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "cefclient/StrictNumber.h"
#include "cefclient_messages.pb.h"
#include "veltranelib/javascript_commands.h"

namespace host_events {
namespace {

constexpr std::array<std::string_view, 10> kCommandWords = {
    "WindowMinimized", "WindowMaximized", "WindowFullscreen", "loadFinished", "WindowVisible",
    "WindowHidden",    "WindowRestored",  "WindowGained",     "WindowLost",   "loadStarted"};

// Arguments by position, converted strictly; any failure spoils the whole event.
class Arguments {
public:
    explicit Arguments(const std::vector<std::string>& args) : args_(args) {}
    bool ok() const { return ok_; }
    std::string text(std::size_t index) {
        if (index < args_.size()) return args_[index];
        ok_ = false;
        return {};
    }
    std::int32_t int32(std::size_t index) { return convert(veltrane_text::toInt32(text(index))); }
    std::uint64_t uint64(std::size_t index) { return convert(veltrane_text::toUint64(text(index))); }
    bool boolean(std::size_t index) { return convert(veltrane_text::toBool(text(index))); }

private:
    template <class T>
    T convert(std::optional<T> value) {
        if (!value) ok_ = false;
        return value.value_or(T{});
    }
    const std::vector<std::string>& args_;
    bool ok_ = true;
};

}  // namespace

bool isBareWord(const std::string& event) { return event == "ProcessCreated" || event == "closePipes"; }

std::optional<std::string> buildPayload(const std::string& windowID, const std::string& event,
                                        const std::vector<std::string>& args, std::uint64_t nowMicros) {
    cefclient_messages::windowMessage message;
    message.set_windowid(windowID);
    Arguments arg(args);
    if (event == javascript_commands::kHandleWindowResizedCommand) {
        auto* position = message.mutable_setposition();
        position->set_x(arg.int32(0));
        position->set_y(arg.int32(1));
        position->set_width(arg.int32(2));
        position->set_height(arg.int32(3));
        position->set_didendresize(arg.boolean(4));
        position->set_timestamp(nowMicros);
    } else if (event == javascript_commands::kHandleWindowClosedCommand) {
        message.mutable_setcommand()->set_command("windowClosingEvent");
    } else if (event == "DownloadEvent") {
        auto* download = message.mutable_setdownload();
        download->set_status(arg.text(0));
        download->set_filepath(arg.text(1));
    } else if (std::find(kCommandWords.begin(), kCommandWords.end(), event) != kCommandWords.end()) {
        message.mutable_setcommand()->set_command(event);
    } else if (event == "PopUpCreated") {
        auto* popUp = message.mutable_popupwindow();
        popUp->set_newwindowid(arg.text(0));
        popUp->set_url(arg.text(1));
        popUp->set_ispopup(arg.boolean(2));
        popUp->set_windowhandle(arg.uint64(3));
    } else if (event == "TitleUpdated") {
        message.mutable_settitle()->set_title(arg.text(0));
    } else if (event == "SetDownloadLocation") {
        message.mutable_setdownloaddir()->set_path(arg.text(0));
    } else if (event == "GetPosition") {
        auto* position = message.mutable_getposition();
        position->set_x(arg.int32(0));
        position->set_y(arg.int32(1));
        position->set_width(arg.int32(2));
        position->set_height(arg.int32(3));
    } else if (event == "RenderProcessExit") {
        message.mutable_renderprocessexit()->set_status(arg.int32(0));
    } else if (event == "getScreenshot") {
        auto* screenshot = message.mutable_screenshot();
        screenshot->set_imagedata(arg.text(0));
        screenshot->set_width(arg.int32(1));
        screenshot->set_height(arg.int32(2));
    }
    if (!arg.ok()) return std::nullopt;
    return message.SerializeAsString();
}

}  // namespace host_events
