#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tovrenna/BundleContext.h"
#include "tovrenna/component/ComponentInstance.h"

namespace tovrenna {

class Framework;

// One loaded bundle with its single declared component.
class Bundle {
public:
    struct Reference {
        std::string name;
        std::string interfaceName;
    };
    struct Description {
        std::string symbolicName;
        std::string libraryPath;
        std::string implementationClass;
        std::vector<Reference> references;
    };

    Bundle(const Framework& framework, Description description);
    // Stops the component, then unloads the library.
    ~Bundle();
    Bundle(const Bundle&) = delete;
    Bundle& operator=(const Bundle&) = delete;

    const std::string& symbolicName() const { return description_.symbolicName; }
    // Makes the component instance and activates it on the calling thread with the bound references.
    void start();
    void stop();
    // The active component as its service interface; null while stopped.
    std::shared_ptr<void> service() const;

private:
    void* symbol(const std::string& name) const;

    const Framework& framework_;
    Description description_;
    BundleContext context_;
    void* library_ = nullptr;
    component::ComponentInstance* (*newInstance_)() = nullptr;
    void (*deleteInstance_)(component::ComponentInstance*) = nullptr;
    component::ComponentInstance* instance_ = nullptr;
};

}  // namespace tovrenna
