#pragma once

#include <memory>
#include <string>

#include "veltranelib/native_window.h"

class NativeWindowManager;

// The narrow door for the parts of the host that look up windows: the bridge's window list and registry as free
// functions, without the bridge's own header.
namespace client::bridge {

// tarnel_interface::findNativeWindowByID: null when no open window has the ID.
scoped_refptr<NativeWindow> findNativeWindowByID(const std::string& windowID);
// tarnel_interface::getWindowManager: the registry with modality and activation.
std::shared_ptr<NativeWindowManager> getWindowManager();

}  // namespace client::bridge
