#pragma once

// The commands the pipe tests write, at the place and size they expect.
#include <string>

#include "HostMessages.h"

namespace host_messages {

using cefclient_messages::windowMessage;

inline windowMessage newWindow(const std::string& id) {
    return veltrane_host::newWindowMessage(id, "https://e2e.test/" + id, 10, 20, 640, 480);
}

inline windowMessage command(const std::string& id, const std::string& word) {
    return veltrane_host::commandMessage(id, word);
}

inline windowMessage position(const std::string& id, int width, int height) {
    return veltrane_host::positionMessage(id, 0, 0, width, height);
}

}  // namespace host_messages
