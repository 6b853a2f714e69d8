#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <future>

#include "DesktopTest.h"

using namespace desktop;

namespace {

// An xclip in the foreground owning the clipboard, so that the test can stop it.
class ForegroundOwner {
public:
    explicit ForegroundOwner(const std::string& text) {
        int input[2];
        if (pipe(input) != 0) throw std::runtime_error("pipe");
        pid_ = fork();
        if (pid_ == 0) {
            dup2(input[0], STDIN_FILENO);
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, STDOUT_FILENO);
            close(input[0]);
            close(input[1]);
            execlp("xclip", "xclip", "-quiet", "-i", "-selection", "clipboard", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(input[0]);
        if (write(input[1], text.data(), text.size()) != static_cast<ssize_t>(text.size())) ADD_FAILURE() << "write";
        close(input[1]);
    }
    ~ForegroundOwner() {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    void stop() { kill(pid_, SIGSTOP); }

private:
    pid_t pid_ = -1;
};

TEST(HungOwner, MakesRequestsFailInsteadOfHangingAndTheDesktopKeepsBeingServed) {
    Editor editor;
    editor.set(selection, {{{"flavor", "text/plain"}, {"content", "still served"}}});
    {
        ForegroundOwner owner("stuck");
        ASSERT_TRUE(eventually([] { return readSelection(clipboard) == "stuck"; }));
        owner.stop();

        auto get = std::async(std::launch::async, [&editor] { return editor.get(clipboard, {"text/plain"}); });
        // While the editor waits for the stopped owner, other programs still get its selection.
        EXPECT_EQ(readSelection(selection), "still served");
        const Json reply = get.get();
        EXPECT_EQ(reply["contents"], Json::object()) << reply.dump();
        EXPECT_EQ(editor.flavors()["flavors"], Json::array());
    }
    // Once the owner is gone, the editor's copies reach the desktop again.
    EXPECT_TRUE(eventually([&] {
        return editor.set(clipboard, {{{"flavor", "text/plain"}, {"content", "recovered"}}})["success"] == true &&
               readSelection(clipboard) == "recovered";
    }));
}

}  // namespace
