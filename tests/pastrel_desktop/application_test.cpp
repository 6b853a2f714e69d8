#include <QGuiApplication>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "DesktopTest.h"

using namespace desktop;

namespace {

// Runs work on the application's thread for a test thread. The work is handed over under a lock of our own,
// which the race detector sees, and not through Qt.
class OnApplicationThread final : public QObject {
public:
    void run(std::function<void()> work) {
        std::unique_lock lock(mutex_);
        work_ = std::move(work);
        QCoreApplication::postEvent(this, new QEvent(QEvent::User));
        done_.wait(lock, [this] { return !work_; });
    }

    bool event(QEvent* event) override {
        std::unique_lock lock(mutex_);
        if (event->type() != QEvent::User) return QObject::event(event);
        work_();
        work_ = nullptr;
        done_.notify_all();
        return true;
    }

private:
    std::mutex mutex_;
    std::condition_variable done_;
    std::function<void()> work_;
};

OnApplicationThread* applicationThread = nullptr;

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
    applicationThread->run(
        [&] { reply = editor.set(clipboard, {{{"flavor", "text/plain"}, {"content", "from the GUI thread"}}}); });
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
    OnApplicationThread onApplicationThread;
    applicationThread = &onApplicationThread;
    ::testing::InitGoogleTest(&argc, argv);
    int result = 1;
    std::thread tests([&] {
        result = RUN_ALL_TESTS();
        applicationThread->run([] { QCoreApplication::quit(); });
    });
    app.exec();
    tests.join();
    return result;
}
