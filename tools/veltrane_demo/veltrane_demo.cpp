// A small host: starts the browser-window host, opens two windows, moves one, asks positions, runs a modal round,
// closes both and prints every message it sends and hears. Exits 0 only when everything expected was heard.
#include <functional>
#include <iostream>
#include <sstream>

#include "VeltraneChild.h"
#include "cefclient_messages.pb.h"

using cefclient_messages::windowMessage;
using namespace std::chrono_literals;

namespace {

constexpr auto kTimeout = 5s;

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
    windowMessage m;
    m.set_windowid(id);
    auto* w = m.mutable_newwindow();
    w->set_url("https://demo.test/" + id);
    w->set_x(x), w->set_y(y), w->set_width(640), w->set_height(480);
    w->set_origin(0), w->set_visible(true), w->set_windowtype("Standard"), w->set_windowextra("");
    w->set_windowflag(false), w->set_createparam1(""), w->set_createparam2("");
    return m;
}

windowMessage command(const std::string& id, const std::string& word) {
    windowMessage m;
    m.set_windowid(id);
    m.mutable_setcommand()->set_command(word);
    return m;
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

    host.send(moveTo("first", 40, 50, 800, 600));
    host.send(command("first", "GetPosition"));
    if (!host.hearPosition("first", 40, 50, 800, 600)) return false;
    host.send(command("second", "GetPosition"));
    if (!host.hearPosition("second", 200, 150, 640, 480)) return false;

    std::cout << "-- modal round\n";
    host.send(modal("second", true));
    if (!host.hearCommand("first", "setDeactivateCurrentWindow") || !host.hearModal("second", true)) return false;
    host.send(modal("second", false));
    if (!host.hearCommand("first", "setActivateCurrentWindow") || !host.hearModal("second", false)) return false;

    std::cout << "-- closing\n";
    host.send(command("first", "close"));
    host.send(command("second", "close"));
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
