#include "tovrenna/Bundle.h"

#include <dlfcn.h>

#include <stdexcept>
#include <utility>

#include "tovrenna/Framework.h"

namespace tovrenna {
namespace {

// "EditorServices::ClipboardService" becomes "EditorServices_ClipboardService".
std::string exportSuffix(const std::string& implementationClass) {
    std::string suffix;
    for (std::size_t at = 0; at < implementationClass.size(); ++at) {
        if (implementationClass.compare(at, 2, "::") == 0) {
            suffix += '_';
            ++at;
        } else {
            suffix += implementationClass[at];
        }
    }
    return suffix;
}

}  // namespace

Bundle::Bundle(const Framework& framework, Description description)
    : framework_(framework), description_(std::move(description)), context_(description_.symbolicName) {
    void* library = dlopen(description_.libraryPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        throw std::runtime_error("cannot load bundle library " + description_.libraryPath + ": " + dlerror());
    }
    library_ = std::shared_ptr<void>(library, dlclose);
    auto setContext = reinterpret_cast<void (*)(BundleContext*)>(
        symbol("_us_set_bundle_context_instance_" + description_.symbolicName));
    const std::string suffix = exportSuffix(description_.implementationClass);
    newInstance_ = reinterpret_cast<component::ComponentInstance* (*)()>(symbol("NewInstance_" + suffix));
    deleteInstance_ = reinterpret_cast<void (*)(component::ComponentInstance*)>(symbol("DeleteInstance_" + suffix));
    setContext(&context_);
}

Bundle::~Bundle() { stop(); }

void* Bundle::symbol(const std::string& name) const {
    void* found = dlsym(library_.get(), name.c_str());
    if (found == nullptr) throw std::runtime_error("bundle library " + description_.libraryPath + " lacks " + name);
    return found;
}

component::BoundReferences Bundle::bindReferences() const {
    component::BoundReferences references;
    for (const auto& reference : description_.references) {
        auto service = framework_.findService(reference.interfaceName);
        if (!service) throw std::runtime_error("no service " + reference.interfaceName + " for " + reference.name);
        references[reference.name] = std::move(service);
    }
    return references;
}

void Bundle::start() {
    std::lock_guard lifecycle(lifecycleMutex_);
    if (started_) return;
    auto references = bindReferences();
    const bool triggered = !description_.startTriggerChannels.empty();
    const auto& watch = framework_.channelWatch();
    if (triggered && !watch) {
        throw std::runtime_error("bundle " + symbolicName() + " has start triggers but nothing watches channels");
    }
    {
        std::lock_guard state(stateMutex_);
        references_ = std::move(references);
    }
    try {
        if (triggered) {
            triggerWatch_ = watch(description_.startTriggerChannels, [this] { activate(); });
        } else {
            activate();
        }
    } catch (...) {
        std::lock_guard state(stateMutex_);
        references_.clear();
        throw;
    }
    started_ = true;
}

void Bundle::activate() {
    std::lock_guard state(stateMutex_);
    if (instance_ != nullptr) return;
    instance_ = newInstance_();
    if (instance_ == nullptr) throw std::runtime_error("bundle " + symbolicName() + " made no component instance");
    try {
        instance_->activate(references_);
    } catch (...) {
        deleteInstance_(std::exchange(instance_, nullptr));
        throw;
    }
}

void Bundle::stop() {
    std::lock_guard lifecycle(lifecycleMutex_);
    if (!started_) return;
    // Released without the state lock: a trigger running now may need it to finish.
    triggerWatch_.reset();
    component::ComponentInstance* instance = nullptr;
    {
        std::lock_guard state(stateMutex_);
        instance = std::exchange(instance_, nullptr);
        references_.clear();
    }
    // Unlocked too: the component may wait for message handlers, and those may ask for the service.
    if (instance != nullptr) {
        instance->deactivate();
        deleteInstance_(instance);
    }
    started_ = false;
}

std::shared_ptr<void> Bundle::service() const {
    std::lock_guard state(stateMutex_);
    auto service = instance_ ? instance_->service() : nullptr;
    if (!service) return nullptr;
    // The component's code lies in the library: whoever holds the service holds the library too, so
    // that releasing the service after the bundle is gone still finds that code.
    struct Held {
        std::shared_ptr<void> library;
        std::shared_ptr<void> service;
    };
    auto held = std::make_shared<Held>(Held{library_, service});
    return std::shared_ptr<void>(held, service.get());
}

}  // namespace tovrenna
