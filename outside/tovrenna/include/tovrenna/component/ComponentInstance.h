#pragma once

#include <memory>
#include <string>
#include <unordered_map>

namespace tovrenna::component {

// The bound service of each reference, by reference name.
using BoundReferences = std::unordered_map<std::string, std::shared_ptr<void>>;

// A bundle's handle on one component, made and deleted through the bundle's exports.
class ComponentInstance {
public:
    virtual ~ComponentInstance() = default;
    // Creates the component with its references injected; a missing reference throws std::invalid_argument.
    virtual void activate(const BoundReferences& references) = 0;
    virtual void deactivate() = 0;
    // The component as its service interface; null while inactive.
    virtual std::shared_ptr<void> service() const = 0;
};

}  // namespace tovrenna::component
