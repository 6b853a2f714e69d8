#pragma once

#include <string>

namespace connector::message_service {

// A pattern ending in "/**" matches every channel below its prefix; any other pattern matches only
// the channel it names.
inline bool channelMatches(const std::string& pattern, const std::string& channel) {
    const std::string below = "/**";
    if (!pattern.ends_with(below)) return pattern == channel;
    const std::string prefix = pattern.substr(0, pattern.size() - 2);
    return channel.size() > prefix.size() && channel.starts_with(prefix);
}

}  // namespace connector::message_service
