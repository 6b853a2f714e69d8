#include "ItemJson.h"

#include <type_traits>

#include <nlohmann/json.hpp>

namespace ravo::detail {
namespace {

nlohmann::json toJson(const RavoValue& value) {
    return std::visit(
        [](const auto& held) -> nlohmann::json {
            if constexpr (std::is_same_v<std::decay_t<decltype(held)>, NullValue>) {
                return nullptr;
            } else {
                return held;
            }
        },
        value);
}

}  // namespace

std::string itemJsonLine(const ItemContext& context, const DataIdentification& identification, const RavoData& data) {
    nlohmann::json values = nlohmann::json::object();
    for (const auto& [key, value] : data.values) values[key] = toJson(value);
    auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(context.time.time_since_epoch()).count();
    nlohmann::json item = {
        {"time", millis},
        {"application", context.application.name},
        {"applicationVersion", context.application.version},
        {"session", context.sessionKey},
        {"name", identification.name},
        {"version", identification.version},
        {"data", std::move(values)},
    };
    return item.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace ravo::detail
