#include "DesktopTest.h"

using namespace desktop;

namespace {

TEST(Changes, MadeByAnotherProgramReachTheSubscriberOnce) {
    ChangeLog notifications;
    {
        Editor editor;
        ASSERT_EQ(editor.subscribe(notifications.recorder())["success"], "true");

        offer(clipboard, "text/x-first-change", "one");
        ASSERT_TRUE(eventually([&] { return notifications.count() >= 1; }));
        // The selection changes with every highlight; those changes are not announced.
        offer(selection, "text/x-highlight", "two");
        EXPECT_EQ(readSelection(selection, "text/x-highlight"), "two");
        // A change of this process comes after, so any repeat of the first would be seen before it.
        editor.set(clipboard, {{{"flavor", "text/x-second-change"}, {"content", "three"}}});
        ASSERT_TRUE(eventually([&] { return notifications.count() >= 2; }));
    }
    const auto flavors = notifications.flavors();
    ASSERT_EQ(flavors.size(), 2u);
    EXPECT_EQ(flavors[0], Json({"text/x-first-change"}));
    EXPECT_EQ(flavors[1], Json({"text/x-second-change"}));
}

}  // namespace
