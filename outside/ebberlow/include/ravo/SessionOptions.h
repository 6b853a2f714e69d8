#pragma once

#include <string>

namespace ravo {

struct SessionOptions {
    // An open session to join; a new key is made when it is empty.
    std::string sessionKey;
    std::string apiKey;
    // Logs a "session.start" and a "session.end" item.
    bool sendSessionStartAndEnd = false;
};

}  // namespace ravo
