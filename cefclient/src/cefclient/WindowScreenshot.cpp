#include "cefclient/WindowScreenshot.h"

#include "cefclient/LogStyle.h"
#include "cefclient/Loggers.h"

void takeScreenshot(NativeWindow& window) {
    const CefRect rect = window.getPosition();
    if (rect.width <= kLargestScreenSide && rect.height <= kLargestScreenSide) {
        window.getScreenshot();
        return;
    }
    FOUNDATION_LOG(veltrane_log::bridgeLogger(), veltrane_log::kError)
        << "Screenshot refused: the window is larger than any screen" << veltrane_log::kv("windowID", window.getID())
        << veltrane_log::kv("width", rect.width) << veltrane_log::kv("height", rect.height);
    if (const auto sink = window.getEventNotifier()) sink->screenshotEvent("", 0, 0);
}
