#pragma once

// Messages a host writes to the pipe.
#include <string>

#include "cefclient_messages.pb.h"

namespace host_messages {

using cefclient_messages::windowMessage;

inline windowMessage newWindow(const std::string& id) {
    windowMessage message;
    message.set_windowid(id);
    auto* request = message.mutable_newwindow();
    request->set_url("https://e2e.test/" + id);
    request->set_x(10);
    request->set_y(20);
    request->set_width(640);
    request->set_height(480);
    request->set_origin(0);
    request->set_visible(true);
    request->set_windowtype("Standard");
    request->set_windowextra("");
    request->set_windowflag(false);
    request->set_createparam1("");
    request->set_createparam2("");
    return message;
}

inline windowMessage command(const std::string& id, const std::string& word) {
    windowMessage message;
    message.set_windowid(id);
    message.mutable_setcommand()->set_command(word);
    return message;
}

inline windowMessage position(const std::string& id, int width, int height) {
    windowMessage message;
    message.set_windowid(id);
    auto* rect = message.mutable_setposition();
    rect->set_x(0), rect->set_y(0), rect->set_width(width), rect->set_height(height);
    rect->set_didendresize(true), rect->set_timestamp(0);
    return message;
}

}  // namespace host_messages
