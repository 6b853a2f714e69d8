#pragma once

#include <functional>

#include "pf/pelandry_export.h"

namespace pf::clipboard::detail {

// Called after every change of the clipboard mode, on the thread that made it; an empty function
// removes the observer. Meant for the platform's event library.
PELANDRY_EXPORT void setClipboardChangeObserver(std::function<void()> observer);

}  // namespace pf::clipboard::detail
