#include <QGuiApplication>
#include <thread>

#include "DesktopTest.h"

using namespace desktop;

namespace {

QGuiApplication* application = nullptr;

// The process has its own Qt application: the library works through it.
TEST(ExistingApplication, CarriesTheClipboardFromOtherThreads) {
    Editor editor;
    EXPECT_EQ(editor.set(clipboard, {{{"flavor", "text/plain"}, {"content", "via the application"}}})["success"], true);
    EXPECT_EQ(readSelection(clipboard), "via the application");

    offer(clipboard, "UTF8_STRING", "back from xclip");
    EXPECT_TRUE(eventually([&] { return editor.content(clipboard, "text/plain") == "back from xclip"; }));
}

TEST(ExistingApplication, AnswersCallsMadeOnItsOwnThread) {
    Editor editor;
    Json reply;
    QMetaObject::invokeMethod(
        application,
        [&] { reply = editor.set(clipboard, {{{"flavor", "text/plain"}, {"content", "from the GUI thread"}}}); },
        Qt::BlockingQueuedConnection);
    EXPECT_EQ(reply["success"], true);
    EXPECT_EQ(readSelection(clipboard), "from the GUI thread");
}

TEST(ExistingApplication, SignalsChanges) {
    ChangeLog notifications;
    Editor editor;
    ASSERT_EQ(editor.subscribe(notifications.recorder())["success"], "true");
    offer(clipboard, "text/x-changed", "x");
    EXPECT_TRUE(eventually([&] { return notifications.count() == 1; }));
    EXPECT_EQ(notifications.flavors().at(0), Json({"text/x-changed"}));
}

}  // namespace

// The tests run beside the application's event loop, as in a Qt program.
int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    application = &app;
    ::testing::InitGoogleTest(&argc, argv);
    int result = 1;
    std::thread tests([&] {
        result = RUN_ALL_TESTS();
        QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
    });
    app.exec();
    tests.join();
    return result;
}
