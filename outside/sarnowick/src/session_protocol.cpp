#include "foundation/msg_svc/transport/layers/session/session_protocol.h"

#include <mutex>
#include <optional>
#include <stdexcept>
#include <utility>

namespace foundation::msg_svc::transport::layers::session {
namespace {

struct Protocol {
    std::mutex mutex;
    std::optional<std::pair<std::string, std::string>> nameAndKey;
};

Protocol& protocol() {
    static Protocol instance;
    return instance;
}

std::pair<std::string, std::string> current() {
    auto& state = protocol();
    std::lock_guard lock(state.mutex);
    if (!state.nameAndKey) throw std::logic_error("the session protocol is not initialised");
    return *state.nameAndKey;
}

}  // namespace

void SessionProtocol::init(const std::string& protocolName, const std::string& versionKey) {
    if (protocolName.empty() || versionKey.empty())
        throw std::invalid_argument("a session protocol needs a name and a version key");
    auto& state = protocol();
    std::lock_guard lock(state.mutex);
    state.nameAndKey.emplace(protocolName, versionKey);
}

bool SessionProtocol::initialised() {
    auto& state = protocol();
    std::lock_guard lock(state.mutex);
    return state.nameAndKey.has_value();
}

std::string SessionProtocol::protocolName() { return current().first; }
std::string SessionProtocol::versionKey() { return current().second; }

}  // namespace foundation::msg_svc::transport::layers::session
