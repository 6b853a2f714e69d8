#include "HostMessages.h"

namespace veltrane_host {

using cefclient_messages::windowMessage;

windowMessage newWindowMessage(const std::string& id, const std::string& url, int x, int y, int width, int height) {
    windowMessage message;
    message.set_windowid(id);
    auto* request = message.mutable_newwindow();
    request->set_url(url);
    request->set_x(x);
    request->set_y(y);
    request->set_width(width);
    request->set_height(height);
    request->set_origin(0);
    request->set_visible(true);
    request->set_windowtype("Standard");
    request->set_windowextra("");
    request->set_windowflag(false);
    request->set_createparam1("");
    request->set_createparam2("");
    return message;
}

windowMessage commandMessage(const std::string& id, const std::string& word) {
    windowMessage message;
    message.set_windowid(id);
    message.mutable_setcommand()->set_command(word);
    return message;
}

windowMessage positionMessage(const std::string& id, int x, int y, int width, int height) {
    windowMessage message;
    message.set_windowid(id);
    auto* rect = message.mutable_setposition();
    rect->set_x(x);
    rect->set_y(y);
    rect->set_width(width);
    rect->set_height(height);
    rect->set_didendresize(true);
    rect->set_timestamp(0);
    return message;
}

windowMessage scriptMessage(const std::string& id, const std::string& script) {
    windowMessage message;
    message.set_windowid(id);
    message.mutable_executejs()->set_script(script);
    return message;
}

windowMessage modalMessage(const std::string& id, bool modal) {
    windowMessage message;
    message.set_windowid(id);
    message.mutable_setwindowmodal()->set_modal(modal);
    return message;
}

}  // namespace veltrane_host
