#include "veltranelib/app_startup.h"

#include "engine.h"
#include "platform/command_line.h"

void AppInitCommandLine(int argc, const char* const* argv) {
    CefRefPtr<CefCommandLine> commandLine = CefCommandLine::GetGlobalCommandLine();
    if (argc > 0 && argv)
        commandLine->InitFromArgv(argc, argv);
    else
        commandLine->InitFromArguments(platform::processArguments());
}

CefRefPtr<CefCommandLine> AppGetCommandLine() { return CefCommandLine::GetGlobalCommandLine(); }

void AppGetSettings(CefSettings& settings) { settings.multi_threaded_message_loop = 0; }

bool AppInitialize(const CefMainArgs& args, const CefSettings& settings, CefRefPtr<CefApp> application,
                   void* windowsSandboxInfo) {
    veltranelib::engine::start(settings.no_sandbox == 0);
    return CefInitialize(args, settings, std::move(application), windowsSandboxInfo);
}
