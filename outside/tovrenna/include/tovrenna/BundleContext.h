#pragma once

#include <string>
#include <utility>

namespace tovrenna {

// What the framework tells a bundle about itself.
class BundleContext {
public:
    explicit BundleContext(std::string symbolicName) : symbolicName_(std::move(symbolicName)) {}
    const std::string& symbolicName() const { return symbolicName_; }

private:
    std::string symbolicName_;
};

}  // namespace tovrenna
