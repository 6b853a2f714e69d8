#pragma once

#include <compare>
#include <string>

namespace foundation::msg_svc::exchange {

// A service of a partner: the partner's name says which process, the service which queue.
class Address {
public:
    Address() = default;
    Address(std::string partner, std::string service) : partner_(std::move(partner)), service_(std::move(service)) {}

    const std::string& partner() const { return partner_; }
    const std::string& service() const { return service_; }

    bool operator==(const Address& other) const = default;
    auto operator<=>(const Address& other) const = default;

private:
    std::string partner_;
    std::string service_;
};

}  // namespace foundation::msg_svc::exchange
