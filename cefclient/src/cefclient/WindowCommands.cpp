#include "cefclient/WindowCommands.h"

#include "cefclient/NativeWindowManager.h"
#include "cefclient/UiTasks.h"
#include "cefclient/WindowScreenshot.h"

void runWindowCommand(NativeWindowManager& windowManager, const scoped_refptr<NativeWindow>& window,
                      const std::string& word) {
    using Action = void (*)(NativeWindow&);
    struct PostedWord {
        const char* word;
        Action action;
    };
    static const PostedWord postedWords[] = {
        {"minimize", [](NativeWindow& w) { w.minimize(); }},
        {"maximize", [](NativeWindow& w) { w.maximize(); }},
        {"restore", [](NativeWindow& w) { w.restore(); }},
        {"fullscreen", [](NativeWindow& w) { w.fullscreen(); }},
        {"bringToFront", [](NativeWindow& w) { w.bringToFront(); }},
        {"show", [](NativeWindow& w) { w.setVisible(true); }},
        {"hide", [](NativeWindow& w) { w.setVisible(false); }},
        {"stopDownload", [](NativeWindow& w) { w.stopDownload(); }},
        {"setActivateCurrentWindow", nullptr},
        {"setDeactivateCurrentWindow", nullptr},
        {"EnableResizing", [](NativeWindow& w) { w.setResizable(true); }},
        {"DisableResizing", [](NativeWindow& w) { w.setResizable(false); }},
        {"close", [](NativeWindow& w) { w.closeBrowser(); }},
        {"enablePopUpWindow", [](NativeWindow& w) { w.enablePopUpWindow(); }},
        {"GetPosition", [](NativeWindow& w) { w.getPositionForTarnel(); }},
        {"GetOuterPosition", [](NativeWindow& w) { w.getOuterPositionForTarnel(); }},
        {"getScreenshot", takeScreenshot},
    };
    for (const PostedWord& entry : postedWords) {
        if (word != entry.word) continue;
        if (entry.action != nullptr) {
            postWindowTask(window, entry.action);
        } else {
            windowManager.setActivateWindow(window, word == "setActivateCurrentWindow");
        }
        return;
    }
}
