#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace ravo {

// The JSON null of a data item.
struct NullValue {
    friend constexpr bool operator==(const NullValue&, const NullValue&) = default;
};

using RavoValue = std::variant<std::string, std::uint32_t, std::int64_t, double, bool, std::vector<std::string>,
                               std::vector<std::int64_t>, std::vector<double>, std::vector<bool>, NullValue>;
using RavoValueMap = std::map<std::string, RavoValue>;

// What kind of item is logged.
struct DataIdentification {
    std::string name;
    std::string version;
};

// The values of one item.
struct RavoData {
    RavoValueMap values;
};

struct RavoOption {
    // When the item happened; the time of logging when absent.
    std::optional<std::chrono::system_clock::time_point> time;
};

inline constexpr int STS_RAVO_SUCCESS = 0;
inline constexpr int STS_RAVO_NOT_ENABLED = 1;
inline constexpr int STS_RAVO_NOT_OPTED_IN = 2;
inline constexpr int STS_RAVO_WRITE_FAILED = 3;

struct RavoResponse {
    int status = STS_RAVO_NOT_ENABLED;
};

}  // namespace ravo
