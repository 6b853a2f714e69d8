#pragma once

#include <ostream>

#include "foundation/log/diagnostic_logger.h"

namespace veltrane_log {

// Severity flags of the browser host's records.
enum Severity : foundation::log::severity_t {
    kDebug = 2,
    kDetail = 4,
    kStartup = 8,
    kScopeEntry = 32,
    kScopeExit = 64,
    kError = 256,
};

// Channel of each source file's logger.
inline constexpr const char* kBrowserServiceChannel = "client::CEFBrowserService";
inline constexpr const char* kTarnelInterfaceChannel = "client::tarnel_interface";
inline constexpr const char* kWindowEventHandlerChannel = "veltrane::windoweventhandler";
inline constexpr const char* kWindowManagerChannel = "nativewindowmanager::functions";
inline constexpr const char* kModalityChannel = "nativewindowmanager::modality";
inline constexpr const char* kStartupChannel = "veltrane::test";

// Writes " key=value": a blank, the key, "=" and the value as it streams.
template <class T>
struct KeyValue {
    const char* key;
    const T& value;
};

template <class T>
KeyValue<T> kv(const char* key, const T& value) {
    return {key, value};
}

template <class T>
std::ostream& operator<<(std::ostream& out, const KeyValue<T>& item) {
    return out << ' ' << item.key << '=' << item.value;
}

// Flags are written as 1 or 0.
inline std::ostream& operator<<(std::ostream& out, const KeyValue<bool>& item) {
    return out << ' ' << item.key << '=' << (item.value ? 1 : 0);
}

}  // namespace veltrane_log
