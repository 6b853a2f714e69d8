#pragma once

#include <string>

#include "cefclient_messages.pb.h"

namespace veltrane_host {

// Host commands with every required field filled.
cefclient_messages::windowMessage newWindowMessage(const std::string& id, const std::string& url, int x, int y,
                                                   int width, int height);
cefclient_messages::windowMessage commandMessage(const std::string& id, const std::string& word);
cefclient_messages::windowMessage positionMessage(const std::string& id, int x, int y, int width, int height);
cefclient_messages::windowMessage scriptMessage(const std::string& id, const std::string& script);
cefclient_messages::windowMessage modalMessage(const std::string& id, bool modal);

}  // namespace veltrane_host
