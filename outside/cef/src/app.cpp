#include "cef/app.h"

#include <atomic>

#include "cef/command_line.h"
#include "platform/command_line.h"

namespace {
std::atomic<bool> initialized{false};
}

int CefExecuteProcess(const CefMainArgs& args, CefRefPtr<CefApp> /*application*/, void* /*windowsSandboxInfo*/) {
    CefRefPtr<CefCommandLine> commandLine = CefCommandLine::CreateCommandLine();
    if (args.argc > 0 && args.argv)
        commandLine->InitFromArgv(args.argc, args.argv);
    else
        commandLine->InitFromArguments(platform::processArguments());
    // A sub-process has nothing to run here: it ends at once, successfully.
    return commandLine->HasSwitch("type") ? 0 : -1;
}

bool CefInitialize(const CefMainArgs& /*args*/, const CefSettings& /*settings*/, CefRefPtr<CefApp> /*application*/,
                   void* /*windowsSandboxInfo*/) {
    return !initialized.exchange(true);
}

bool CefIsInitialized() { return initialized; }

void CefShutdown() { initialized = false; }
