#pragma once

#include <string_view>

namespace connector::message_service {

// A pattern ending in "/**" matches every channel below its prefix; any other pattern matches only
// the channel it names.
inline bool channelMatches(std::string_view pattern, std::string_view channel) {
    constexpr std::string_view below = "/**";
    if (!pattern.ends_with(below)) return pattern == channel;
    const std::string_view prefix = pattern.substr(0, pattern.size() - 2);
    return channel.size() > prefix.size() && channel.starts_with(prefix);
}

}  // namespace connector::message_service
