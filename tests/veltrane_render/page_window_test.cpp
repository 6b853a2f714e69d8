// A window's page in this process, with the engine running, for what a host cannot drive: files dropped on it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>

#include "engine.h"
#include "page_window.h"
#include "recording_sink.h"
#include "veltranelib/main_message_loop_std.h"
#include "veltranelib/native_window.h"

namespace {

class PageWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(veltranelib::engine::start(false)) << "run under a display"; }

    // Ends the engine the way the program does: its loop quits and every page goes.
    static void TearDownTestSuite() {
        client::MainMessageLoopStd loop;
        loop.Quit();
        EXPECT_EQ(loop.Run(), 0);
        EXPECT_FALSE(veltranelib::engine::running());
    }

    static veltranelib::PageWindow* shownPage() {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* page = dynamic_cast<veltranelib::PageWindow*>(widget); page && page->isVisible()) return page;
        }
        return nullptr;
    }

    static bool drop(veltranelib::PageWindow* page, const QList<QUrl>& urls) {
        QMimeData files;
        files.setUrls(urls);
        // A drop comes after the drag has entered the window.
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(page, &enter);
        QDropEvent event(QPointF(10, 10), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(page, &event);
        return event.isAccepted();
    }
};

TEST_F(PageWindowTest, DroppedFilesAreReportedOnlyWhileDragAndDropIsEnabled) {
    scoped_refptr<RecordingSink> sink(new RecordingSink);
    scoped_refptr<NativeWindow> window = NativeWindow::makeNativeWindow("w", true, sink, "", "");
    window->newWindow("about:blank", CefRect(0, 0, 320, 240), true, "Standard", "", false);
    veltranelib::PageWindow* page = shownPage();
    ASSERT_NE(page, nullptr);
    const QList<QUrl> files = {QUrl::fromLocalFile("/tmp/one.txt"), QUrl("https://veltrane.test/not-a-file"),
                               QUrl::fromLocalFile("/tmp/two words.txt")};
    const auto dropReports = [&] {
        int count = 0;
        for (const std::string& text : sink->texts()) count += text.rfind("notifyDragDropEvent", 0) == 0;
        return count;
    };

    EXPECT_FALSE(drop(page, files));
    EXPECT_EQ(dropReports(), 0);

    window->enableDragDrop(true);
    EXPECT_TRUE(drop(page, files));
    EXPECT_EQ(sink->texts().back(), "notifyDragDropEvent(/tmp/one.txt|/tmp/two words.txt)");

    window->enableDragDrop(false);
    EXPECT_FALSE(drop(page, files));
    EXPECT_EQ(dropReports(), 1);

    window->closeBrowser();
    EXPECT_EQ(sink->texts().back(), "OnBeforeClose()");
}

}  // namespace
