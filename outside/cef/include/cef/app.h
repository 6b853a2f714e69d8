#pragma once

#include "cef/main_args.h"
#include "cef/ref_counted.h"
#include "cef/settings.h"

// The application's hooks into the engine's processes.
class CefApp : public virtual CefBaseRefCounted {};

// Runs a sub-process: returns its exit code (0 or more) when the command line has "--type",
// -1 in the browser process.
int CefExecuteProcess(const CefMainArgs& args, CefRefPtr<CefApp> application, void* windowsSandboxInfo);

// Initialises the browser process once; false when already initialised.
bool CefInitialize(const CefMainArgs& args, const CefSettings& settings, CefRefPtr<CefApp> application,
                   void* windowsSandboxInfo);
bool CefIsInitialized();
void CefShutdown();
