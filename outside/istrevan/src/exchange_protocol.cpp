#include "foundation/msg_svc/exchange/exchange_protocol.h"

#include <atomic>
#include <map>
#include <mutex>
#include <shared_mutex>
#include <stdexcept>
#include <typeindex>

#include <boost/core/demangle.hpp>
#include <google/protobuf/stubs/common.h>

namespace foundation::msg_svc::exchange {
namespace {

struct Registry {
    std::shared_mutex mutex;
    std::map<std::type_index, std::pair<std::string, ExchangeProtocol::Encoder>> encoders;
    std::map<std::string, ExchangeProtocol::Decoder> decoders;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

std::atomic<bool> ready{false};

const std::pair<std::string, ExchangeProtocol::Encoder>& encoderOf(const Registry& table, const Message& message) {
    auto found = table.encoders.find(std::type_index(typeid(message)));
    if (found == table.encoders.end())
        throw std::runtime_error("message type " + boost::core::demangle(typeid(message).name()) +
                                 " is not registered with the exchange protocol");
    return found->second;
}

}  // namespace

void ExchangeProtocol::init() {
    GOOGLE_PROTOBUF_VERIFY_VERSION;
    ready = true;
}

bool ExchangeProtocol::initialised() { return ready; }

void ExchangeProtocol::registerMessageType(const std::type_info& type, const std::string& name, Encoder encoder,
                                           Decoder decoder) {
    if (!ready) throw std::logic_error("the exchange protocol is not initialised");
    if (!encoder || !decoder) throw std::invalid_argument("a message type needs an encoder and a decoder");
    auto& table = registry();
    std::unique_lock lock(table.mutex);
    table.encoders[std::type_index(type)] = {name, std::move(encoder)};
    table.decoders[name] = std::move(decoder);
}

std::string ExchangeProtocol::typeName(const Message& message) {
    auto& table = registry();
    std::shared_lock lock(table.mutex);
    return encoderOf(table, message).first;
}

std::string ExchangeProtocol::encode(const Message& message) {
    auto& table = registry();
    std::shared_lock lock(table.mutex);
    std::string payload;
    encoderOf(table, message).second(message, payload);
    return payload;
}

void ExchangeProtocol::encode(const Message& message, std::string& typeName, std::string& payload) {
    auto& table = registry();
    std::shared_lock lock(table.mutex);
    const auto& [name, encoder] = encoderOf(table, message);
    encoder(message, payload);
    typeName = name;
}

boost::shared_ptr<const Message> ExchangeProtocol::decode(const std::string& name, const std::string& payload) {
    auto& table = registry();
    // Run under the shared lock rather than copied out: a registration waits, senders and readers do not.
    std::shared_lock lock(table.mutex);
    auto found = table.decoders.find(name);
    if (found == table.decoders.end()) throw UnknownMessageType("unknown message type \"" + name + "\"");
    return found->second(payload);
}

}  // namespace foundation::msg_svc::exchange
