#pragma once

#include "cef/app.h"
#include "cef/command_line.h"
#include "cef/main_args.h"
#include "cef/settings.h"

// Builds the process-wide command line: from argv when argc is not 0, otherwise from the
// process's own arguments. Later calls rebuild it.
void AppInitCommandLine(int argc, const char* const* argv);

// The command line built by AppInitCommandLine (the process's arguments if it was never called).
CefRefPtr<CefCommandLine> AppGetCommandLine();

// Fills the settings the window library wants: a standard (not multi-threaded) message loop.
void AppGetSettings(CefSettings& settings);

// Initialises the engine with the settings; false when that fails. The web engine starts here when a display
// answers and VELTRANE_ENGINE is not "headless"; its sandbox follows no_sandbox.
bool AppInitialize(const CefMainArgs& args, const CefSettings& settings, CefRefPtr<CefApp> application,
                   void* windowsSandboxInfo);
