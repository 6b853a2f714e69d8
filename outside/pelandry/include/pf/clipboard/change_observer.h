#pragma once

#include <functional>

#include "pf/pelandry_export.h"

namespace pf::clipboard::detail {

// Called after every change of the clipboard mode: on the thread that made it for the in-memory clipboard, on
// the GUI thread for the desktop's. It must not wait for other threads. An empty function removes the observer
// and waits for a call in progress. Throws std::runtime_error when the desktop clipboard cannot be watched.
// Meant for the platform's event library.
PELANDRY_EXPORT void setClipboardChangeObserver(std::function<void()> observer);

}  // namespace pf::clipboard::detail
