#include "EditorServices/BundleExports.h"

#include <atomic>
#include <new>

#include "EditorServices/ClipboardService.h"
#include "tovrenna/component/detail/ComponentInstanceImpl.h"

namespace EditorServices {
namespace {

std::atomic<tovrenna::BundleContext*> bundleContextSlot{nullptr};

using ClipboardServiceInstance =
    tovrenna::component::detail::ComponentInstanceImpl<ClipboardService, connector::common::DeferredService,
                                                       connector::message_service::MessageServiceFactory>;

}  // namespace

tovrenna::BundleContext* bundleContext() { return bundleContextSlot.load(); }

}  // namespace EditorServices

extern "C" {

tovrenna::component::ComponentInstance* NewInstance_EditorServices_ClipboardService() {
    try {
        return new EditorServices::ClipboardServiceInstance(std::vector<std::string>{"MessageServiceFactory"});
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void DeleteInstance_EditorServices_ClipboardService(tovrenna::component::ComponentInstance* instance) {
    delete instance;
}

void _us_set_bundle_context_instance_com_velderine_service(tovrenna::BundleContext* context) {
    EditorServices::bundleContextSlot.exchange(context);
}
}
