#include <filesystem>

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "cef/cef_string.h"
#include "platform/app_user_model_id.h"
#include "platform/dpi_awareness.h"
#include "platform/module.h"
#include "platform/process.h"
#include "platform/stdio_mode.h"

namespace {

TEST(ProcessAlive, LiveProcessesAreRunning) {
    EXPECT_TRUE(platform::isProcessRunning(::getpid()));
    EXPECT_TRUE(platform::isProcessRunning(::getppid()));
}

TEST(ProcessAlive, ImpossibleIdsAreGone) {
    EXPECT_FALSE(platform::isProcessRunning(0));
    EXPECT_FALSE(platform::isProcessRunning(-1));
    EXPECT_FALSE(platform::isProcessRunning(0x7fffffff));
}

TEST(ProcessAlive, AnExitedChildIsGoneBeforeAndAfterItIsReaped) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) ::_exit(0);
    // Until waited for, the child stays behind as a zombie.
    siginfo_t info{};
    ASSERT_EQ(::waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOWAIT), 0);
    EXPECT_FALSE(platform::isProcessRunning(child));
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);
    EXPECT_FALSE(platform::isProcessRunning(child));
}

TEST(ProcessAlive, ASleepingChildIsRunning) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::pause();
        ::_exit(0);
    }
    EXPECT_TRUE(platform::isProcessRunning(child));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
}

TEST(PlatformServices, ApplicationIdIsKept) {
    EXPECT_TRUE(platform::setCurrentProcessExplicitAppUserModelID(u"Maker.Product.Part.1"));
    EXPECT_EQ(platform::currentProcessExplicitAppUserModelID(), u"Maker.Product.Part.1");
    EXPECT_TRUE(platform::setCurrentProcessExplicitAppUserModelID(u""));
    EXPECT_EQ(platform::currentProcessExplicitAppUserModelID(), u"");
}

TEST(PlatformServices, ModuleFileNameIsThisExecutable) {
    const std::u16string name = platform::moduleFileName();
    ASSERT_FALSE(name.empty());
    EXPECT_EQ(name.front(), platform::kPathSeparator);
    EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::path(CefString(name).ToString()), "/proc/self/exe"));
}

TEST(PlatformServices, StandardStreamsSwitchToBinary) {
    EXPECT_TRUE(platform::setBinaryMode(stdout));
    EXPECT_TRUE(platform::setBinaryMode(stdin));
    EXPECT_FALSE(platform::setBinaryMode(nullptr));
    EXPECT_TRUE(platform::setProcessDpiAware());
    EXPECT_TRUE(platform::isProcessDpiAware());
}

}  // namespace
