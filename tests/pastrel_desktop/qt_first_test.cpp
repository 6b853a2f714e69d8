#include <QObject>

#include "DesktopTest.h"

using namespace desktop;

namespace {

// Qt takes the first thread that uses it for its main thread; the library's GUI thread must still answer.
TEST(QtUsedFirstByAnotherThread, LeavesTheClipboardWorking) {
    QObject first;
    Editor editor;
    editor.set(clipboard, {{{"flavor", "text/plain"}, {"content", "answered"}}});
    EXPECT_EQ(readSelection(clipboard), "answered");

    offer(clipboard, "UTF8_STRING", "from xclip");
    EXPECT_TRUE(eventually([&] { return editor.content(clipboard, "text/plain") == "from xclip"; }));
}

}  // namespace
