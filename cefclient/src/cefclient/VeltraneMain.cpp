// The program's entry: a browser-engine sub-process returns at once; the browser process sets itself up, opens
// its first window (or none when a host drives it), talks to the host and runs the UI loop.
#include <memory>

#include "aldermoss/window_id.h"
#include "cef/app.h"
#include "cefclient/FunctionTraceScope.h"
#include "cefclient/LogStyle.h"
#include "cefclient/Loggers.h"
#include "cefclient/StandaloneWindowOptions.h"
#include "cefclient/StrictNumber.h"
#include "cefclient/WindowEventHandler.h"
#include "cefclient/tarnel_interface.h"
#include "platform/app_user_model_id.h"
#include "platform/dpi_awareness.h"
#include "platform/module.h"
#include "veltranelib/app_startup.h"
#include "veltranelib/client_app.h"
#include "veltranelib/main_message_loop_multithreaded_win.h"
#include "veltranelib/main_message_loop_std.h"
#include "veltranelib/switches.h"

namespace {

foundation::log::diagnostic_logger& startupLogger = veltrane_log::startupLogger();

constexpr char16_t kBuiltInApplicationID[] = u"Velderine.Veltrane.WebWindow.1";
constexpr char kDefaultStartPage[] = "about:blank";
const CefRect kDefaultWindowRect(100, 100, 1200, 800);

std::u16string programFolder() {
    const std::u16string path = platform::moduleFileName();
    const std::size_t separator = path.rfind(platform::kPathSeparator);
    return separator == std::u16string::npos ? std::u16string() : path.substr(0, separator);
}

CefRect standaloneWindowRect(CefCommandLine& commandLine) {
    if (!commandLine.HasSwitch(cefclient::kPosition)) return kDefaultWindowRect;
    const std::string value = commandLine.GetSwitchValue(cefclient::kPosition).ToString();
    if (const auto rect = parseWindowPosition(value)) return *rect;
    FOUNDATION_LOG(startupLogger, veltrane_log::kError)
        << "Window position is not up to four numbers; using the default" << veltrane_log::kv("position", value);
    return kDefaultWindowRect;
}

bool standaloneWindowVisible(CefCommandLine& commandLine) {
    if (!commandLine.HasSwitch(cefclient::kVisible)) return true;
    const std::string value = commandLine.GetSwitchValue(cefclient::kVisible).ToString();
    if (const auto visible = veltrane_text::toBool(value)) return *visible;
    FOUNDATION_LOG(startupLogger, veltrane_log::kError)
        << "Window visibility is not 0 or 1; showing the window" << veltrane_log::kv("visible", value);
    return true;
}

void createInitialWindow() {
    CefRefPtr<CefCommandLine> commandLine = AppGetCommandLine();
    if (!commandLine->HasSwitch("from-webwindow")) {
        std::string url = commandLine->GetSwitchValue(cefclient::kUrl).ToString();
        if (url.empty()) url = kDefaultStartPage;
        const std::string title = commandLine->GetSwitchValue(cefclient::kTitle).ToString();
        const std::string windowID = aldermoss::generateWindowID();
        scoped_refptr<window_notifier::IVeltraneInterface> sink(new WindowEventHandler(windowID, true));
        scoped_refptr<NativeWindow> window = NativeWindow::makeNativeWindow(windowID, true, sink, "", "");
        client::tarnel_interface::instance()->registerWebWindow(window, sink);
        window->newWindow(url, standaloneWindowRect(*commandLine), standaloneWindowVisible(*commandLine), "Standard",
                          "", false);
        if (!title.empty()) window->setTitle(title);
    }
    client::tarnel_interface::instance()->startCommunication();
}

}  // namespace

int main(int argc, char** argv) {
    platform::setProcessDpiAware();
    AppInitCommandLine(0, nullptr);
    CefRefPtr<ClientApp> app(new ClientApp());
    CefRefPtr<CefCommandLine> commandLine = AppGetCommandLine();
    if (commandLine->HasSwitch("application-id")) {
        platform::setCurrentProcessExplicitAppUserModelID(commandLine->GetSwitchValue("application-id").ToString16());
    } else {
        platform::setCurrentProcessExplicitAppUserModelID(kBuiltInApplicationID);
    }

    const CefMainArgs mainArgs(argc, argv);
    const int subProcessCode = CefExecuteProcess(mainArgs, app, nullptr);
    if (subProcessCode >= 0) return subProcessCode;

    CefSettings settings;
    settings.no_sandbox = 1;
    AppGetSettings(settings);
    std::unique_ptr<client::MainMessageLoop> loop;
    if (settings.multi_threaded_message_loop == 0) {
        loop = std::make_unique<client::MainMessageLoopStd>();
    } else {
        loop = std::make_unique<client::MainMessageLoopMultithreadedWin>();
    }
    const std::u16string folder = programFolder();
    settings.locales_dir_path = folder + platform::kPathSeparator + u"cef_locales";
    settings.resources_dir_path = folder + platform::kPathSeparator + u"cef_resources";
    AppInitialize(mainArgs, settings, app, nullptr);
    if (startupLogger.is_enabled(veltrane_log::kStartup)) {
        FOUNDATION_LOG(startupLogger, veltrane_log::kStartup) << "Veltrane browser process logging enabled";
    }

    createInitialWindow();
    const int exitCode = loop->Run();
    client::tarnel_interface::instance()->stopCommunication();
    CefShutdown();
    loop.reset();
    return exitCode;
}
