#pragma once

#include "EditorServices/TessivarExport.h"
#include "tovrenna/BundleContext.h"
#include "tovrenna/component/ComponentInstance.h"

// What the component framework looks up in the plug-in by name.
extern "C" {

// A new instance of the clipboard service component; null when it cannot be allocated.
TESSIVAR_EXPORT tovrenna::component::ComponentInstance* NewInstance_EditorServices_ClipboardService();
// A null instance is ignored.
TESSIVAR_EXPORT void DeleteInstance_EditorServices_ClipboardService(tovrenna::component::ComponentInstance* instance);
TESSIVAR_EXPORT void _us_set_bundle_context_instance_com_velderine_service(tovrenna::BundleContext* context);
}

namespace EditorServices {

// The context the framework handed the bundle last; null before that.
tovrenna::BundleContext* bundleContext();

}  // namespace EditorServices
