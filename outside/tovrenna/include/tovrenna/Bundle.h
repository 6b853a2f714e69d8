#pragma once

#include <functional>
#include <memory>
#include <mutex>
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
        std::vector<std::string> startTriggerChannels;
    };
    // Watches the channels and calls fire before each message on one of them is delivered; a failure
    // thrown by fire is the failure of that message's delivery. The watch ends when the handle is
    // released, once a running fire has returned.
    using ChannelWatch =
        std::function<std::shared_ptr<void>(std::vector<std::string> channels, std::function<void()> fire)>;

    Bundle(const Framework& framework, Description description);
    // Stops the component, then unloads the library unless a service handed out is still held.
    ~Bundle();
    Bundle(const Bundle&) = delete;
    Bundle& operator=(const Bundle&) = delete;

    const std::string& symbolicName() const { return description_.symbolicName; }
    // Binds the references (throws when one has no service). A component with start triggers is
    // created and activated at the first message on a trigger channel, on the thread delivering it;
    // one without is activated at once on the calling thread.
    void start();
    // Ends the trigger watch, then deactivates and deletes the component.
    void stop();
    // The active component as its service interface; null while stopped or not yet triggered. The
    // library stays loaded while the result is held.
    std::shared_ptr<void> service() const;

private:
    void* symbol(const std::string& name) const;
    component::BoundReferences bindReferences() const;
    // Creates and activates the component unless it is active.
    void activate();

    const Framework& framework_;
    Description description_;
    BundleContext context_;
    // Unloaded when the bundle and every service it handed out are gone.
    std::shared_ptr<void> library_;
    component::ComponentInstance* (*newInstance_)() = nullptr;
    void (*deleteInstance_)(component::ComponentInstance*) = nullptr;

    // Serialises start and stop; never taken by a trigger, so stop can wait for one to finish.
    std::mutex lifecycleMutex_;
    bool started_ = false;
    std::shared_ptr<void> triggerWatch_;

    mutable std::mutex stateMutex_;
    component::BoundReferences references_;
    component::ComponentInstance* instance_ = nullptr;
};

}  // namespace tovrenna
