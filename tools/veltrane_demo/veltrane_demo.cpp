// A small host: starts the browser-window host, opens two windows showing a page, saves a screenshot of one as a
// PNG file, moves one, asks positions, runs a modal round, closes both and prints every message it sends and
// hears. Exits 0 only when everything expected was heard.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>

#include "HostMessages.h"
#include "VeltraneChild.h"
#include "cefclient_messages.pb.h"

using cefclient_messages::windowMessage;
using veltrane_host::commandMessage;
using namespace std::chrono_literals;

namespace {

constexpr auto kTimeout = 10s;
constexpr char kDemoPage[] =
    "data:text/html,<title>Veltrane demo</title>"
    "<body style='font-family:sans-serif;background:%23f4f1ea'><h1 style='color:%23205080'>Veltrane</h1>"
    "<p>A page shown by the browser-window host.</p></body>";

std::string describe(const windowMessage& m) {
    std::ostringstream out;
    out << '[' << m.windowid() << "] ";
    if (m.has_newwindow()) {
        const auto& w = m.newwindow();
        out << "newWindow url=" << w.url() << " rect=" << w.x() << ',' << w.y() << ',' << w.width() << ','
            << w.height();
    } else if (m.has_setcommand()) {
        out << "setCommand " << m.setcommand().command();
    } else if (m.has_setposition()) {
        const auto& p = m.setposition();
        out << "setPosition " << p.x() << ',' << p.y() << ',' << p.width() << ',' << p.height();
    } else if (m.has_getposition()) {
        const auto& p = m.getposition();
        out << "getPosition " << p.x() << ',' << p.y() << ',' << p.width() << ',' << p.height();
    } else if (m.has_updateurl()) {
        out << "UpdateURL " << m.updateurl().url();
    } else if (m.has_setwindowmodal()) {
        out << "SetWindowModal modal=" << m.setwindowmodal().modal();
    } else if (m.has_setallwindowsactivated()) {
        out << "SetAllWindowsActivated activate=" << m.setallwindowsactivated().activate();
    } else if (m.has_settitle()) {
        out << "setTitle " << m.settitle().title();
    } else if (m.has_screenshot()) {
        out << "ScreenShot " << m.screenshot().width() << 'x' << m.screenshot().height() << ", "
            << m.screenshot().imagedata().size() << " bytes of PNG";
    } else {
        out << "(other message, " << m.ByteSizeLong() << " bytes)";
    }
    return out.str();
}

class DemoHost {
public:
    explicit DemoHost(const std::string& program) : child_(program, {"--from-webwindow"}) {}

    void send(const windowMessage& message) {
        std::cout << "-> " << describe(message) << '\n';
        if (!child_.send(message.SerializeAsString())) fail("the host no longer reads its input");
    }

    // Prints what arrives until the expected payload shows up; false on timeout.
    bool hear(const std::string& what, const std::function<bool(const std::string&)>& expected) {
        while (auto frame = child_.receive(kTimeout)) {
            windowMessage message;
            const bool isMessage = message.ParseFromString(*frame) && !frame->empty();
            std::cout << "<- " << (isMessage ? describe(message) : *frame) << '\n';
            if (expected(*frame)) return true;
        }
        return fail("did not hear " + what);
    }

    bool hearWord(const std::string& word) {
        return hear('"' + word + '"', [&](const std::string& frame) { return frame == word; });
    }

    bool hearMessage(const std::string& what, const std::function<bool(const windowMessage&)>& expected) {
        return hear(what, [&](const std::string& frame) {
            windowMessage message;
            return message.ParseFromString(frame) && expected(message);
        });
    }

    bool hearCommand(const std::string& id, const std::string& word) {
        return hearMessage(id + " " + word, [&](const windowMessage& m) {
            return m.windowid() == id && m.has_setcommand() && m.setcommand().command() == word;
        });
    }

    bool hearPosition(const std::string& id, int x, int y, int width, int height) {
        return hearMessage(id + " position", [&](const windowMessage& m) {
            const auto& p = m.getposition();
            return m.windowid() == id && m.has_getposition() && p.x() == x && p.y() == y && p.width() == width &&
                   p.height() == height;
        });
    }

    // Saves the window's screenshot as a PNG file and prints its path.
    bool saveScreenshot(const std::string& id) {
        send(commandMessage(id, "getScreenshot"));
        windowMessage shot;
        const bool heard = hearMessage(id + " screenshot", [&](const windowMessage& m) {
            if (m.windowid() != id || !m.has_screenshot()) return false;
            shot = m;
            return true;
        });
        if (!heard) return false;
        const auto path = std::filesystem::temp_directory_path() /
                          ("veltrane-demo-" + std::to_string(::getpid()) + "-" + id + ".png");
        std::ofstream(path, std::ios::binary) << shot.screenshot().imagedata();
        std::cout << "-- screenshot of " << id << " saved as " << path.string() << '\n';
        return true;
    }

    bool hearModal(const std::string& id, bool modal) {
        return hearMessage(id + " modal report", [&](const windowMessage& m) {
            return m.windowid() == id && m.has_setwindowmodal() && m.setwindowmodal().modal() == modal;
        });
    }

    std::optional<int> exitStatus() { return child_.waitForExit(kTimeout); }

    bool fail(const std::string& reason) {
        std::cout << "!! " << reason << '\n';
        return false;
    }

private:
    veltrane_host::ChildProcess child_;
};

windowMessage newWindow(const std::string& id, int x, int y) {
    return veltrane_host::newWindowMessage(id, kDemoPage, x, y, 640, 480);
}

windowMessage moveTo(const std::string& id, int x, int y, int width, int height) {
    windowMessage m;
    m.set_windowid(id);
    auto* p = m.mutable_setposition();
    p->set_x(x), p->set_y(y), p->set_width(width), p->set_height(height), p->set_didendresize(true);
    p->set_timestamp(0);
    return m;
}

windowMessage modal(const std::string& id, bool on) {
    windowMessage m;
    m.set_windowid(id);
    m.mutable_setwindowmodal()->set_modal(on);
    return m;
}

bool runDemo(DemoHost& host) {
    if (!host.hearWord("ProcessCreated")) return false;
    host.send(newWindow("first", 100, 100));
    if (!host.hearCommand("first", "loadFinished")) return false;
    host.send(newWindow("second", 200, 150));
    if (!host.hearCommand("second", "loadFinished")) return false;
    if (!host.saveScreenshot("first")) return false;

    host.send(moveTo("first", 40, 50, 800, 600));
    host.send(commandMessage("first", "GetPosition"));
    if (!host.hearPosition("first", 40, 50, 800, 600)) return false;
    host.send(commandMessage("second", "GetPosition"));
    if (!host.hearPosition("second", 200, 150, 640, 480)) return false;

    std::cout << "-- modal round\n";
    host.send(modal("second", true));
    if (!host.hearCommand("first", "setDeactivateCurrentWindow") || !host.hearModal("second", true)) return false;
    host.send(modal("second", false));
    if (!host.hearCommand("first", "setActivateCurrentWindow") || !host.hearModal("second", false)) return false;

    std::cout << "-- closing\n";
    host.send(commandMessage("first", "close"));
    host.send(commandMessage("second", "close"));
    if (!host.hearWord("closePipes")) return false;
    const auto status = host.exitStatus();
    if (status != 0) return host.fail("the host process did not exit with 0");
    std::cout << "-- the host process exited with 0\n";
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string program = argc > 1 ? argv[1] : VELTRANE_BINARY;
    try {
        DemoHost host(program);
        const bool ok = runDemo(host);
        std::cout << (ok ? "demo: everything expected was heard\n" : "demo: FAILED\n");
        return ok ? 0 : 1;
    } catch (const std::exception& error) {
        std::cout << "demo: " << error.what() << '\n';
        return 1;
    }
}
