#include "DesktopTest.h"

using namespace desktop;

namespace {

// DISPLAY names a display that nobody serves: requests fail as platform errors, and the process lives on.
TEST(UnreachableDisplay, FailsRequestsInsteadOfEndingTheProcess) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr);
    Editor editor;
    EXPECT_EQ(editor.set(clipboard, {{{"flavor", "text/plain"}, {"content", "lost"}}})["success"], false);
    EXPECT_EQ(editor.get(selection, {"text/plain"})["contents"], Json::object());
    EXPECT_EQ(editor.flavors()["flavors"], Json::array());
    EXPECT_EQ(editor.subscribe([](std::string) {})["success"], "false");
}

}  // namespace
