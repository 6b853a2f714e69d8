// A small host: starts the browser-window host, opens two windows showing a page, moves one, asks positions, runs a
// modal round, closes both and prints every message it sends and hears; once over the pipe, where it also saves a
// screenshot of one window as a PNG file, then once over the exchange. Exits 0 only when everything expected was
// heard both times.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>

#include <boost/make_shared.hpp>

#include "ExchangeHost.h"
#include "HostMessages.h"
#include "VeltraneChild.h"
#include "cefclient_messages.pb.h"
#include "cefexchange/messages.h"

using cefclient_messages::windowMessage;
using veltrane_host::commandMessage;
using veltrane_host::modalMessage;
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

// What the script needs of a host, whichever way it speaks to the browser-window host.
class DemoLink {
public:
    virtual ~DemoLink() = default;
    virtual bool started() = 0;
    virtual void open(const std::string& id, int x, int y) = 0;
    virtual void move(const std::string& id, int x, int y, int width, int height) = 0;
    virtual void command(const std::string& id, const std::string& word) = 0;
    virtual void modal(const std::string& id, bool on) = 0;
    virtual bool hearCommand(const std::string& id, const std::string& word) = 0;
    virtual bool hearPosition(const std::string& id, int x, int y, int width, int height) = 0;
    virtual bool hearModal(const std::string& id, bool modal) = 0;
    // Saves the window's screenshot as a PNG file and prints its path, where the transport carries screenshots.
    virtual bool saveScreenshot(const std::string&) { return true; }
    // What the host hears once the last window has closed.
    virtual bool hearEnd() = 0;
    virtual std::optional<int> exitStatus() = 0;

    bool fail(const std::string& reason) {
        std::cout << "!! " << reason << '\n';
        return false;
    }
};

class PipeDemo : public DemoLink {
public:
    explicit PipeDemo(const std::string& program) : child_(program, {"--from-webwindow"}) {}

    bool started() override { return hearWord("ProcessCreated"); }
    void open(const std::string& id, int x, int y) override {
        send(veltrane_host::newWindowMessage(id, kDemoPage, x, y, 640, 480));
    }
    void move(const std::string& id, int x, int y, int width, int height) override {
        send(veltrane_host::positionMessage(id, x, y, width, height));
    }
    void command(const std::string& id, const std::string& word) override { send(commandMessage(id, word)); }
    void modal(const std::string& id, bool on) override { send(modalMessage(id, on)); }
    bool hearEnd() override { return hearWord("closePipes"); }

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

    bool hearCommand(const std::string& id, const std::string& word) override {
        return hearMessage(id + " " + word, [&](const windowMessage& m) {
            return m.windowid() == id && m.has_setcommand() && m.setcommand().command() == word;
        });
    }

    bool hearPosition(const std::string& id, int x, int y, int width, int height) override {
        return hearMessage(id + " position", [&](const windowMessage& m) {
            const auto& p = m.getposition();
            return m.windowid() == id && m.has_getposition() && p.x() == x && p.y() == y && p.width() == width &&
                   p.height() == height;
        });
    }

    bool hearModal(const std::string& id, bool modal) override {
        return hearMessage(id + " modal report", [&](const windowMessage& m) {
            return m.windowid() == id && m.has_setwindowmodal() && m.setwindowmodal().modal() == modal;
        });
    }

    bool saveScreenshot(const std::string& id) override {
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

    std::optional<int> exitStatus() override { return child_.waitForExit(kTimeout); }

private:
    veltrane_host::ChildProcess child_;
};

// The same host over the exchange: it listens, and the browser-window host connects to it.
class ExchangeDemo : public DemoLink {
public:
    explicit ExchangeDemo(const std::string& program)
        : child_(program, {"--from-webwindow", "-NamedPipeHandle", host_.socketPath()}) {}

    bool started() override {
        if (!host_.waitForPartner(kTimeout)) return fail("the browser-window host did not attach");
        std::cout << "<- attached: " << *host_.partner() << '\n';
        return true;
    }
    void open(const std::string& id, int x, int y) override {
        send(boost::make_shared<cefexchange::NewWindowMessage>(id, kDemoPage, x, y, 640, 480, 0, true,
                                                               "Standard", "", false, "", ""));
    }
    void move(const std::string& id, int x, int y, int width, int height) override {
        send(boost::make_shared<cefexchange::SetPositionMessage>(id, x, y, width, height, true, 0u, false));
    }
    void command(const std::string& id, const std::string& word) override {
        send(boost::make_shared<cefexchange::SetCommandMessage>(id, word));
    }
    void modal(const std::string& id, bool on) override {
        send(boost::make_shared<cefexchange::SetWindowModalMessage>(id, on));
    }
    bool hearCommand(const std::string& id, const std::string& word) override {
        return hear<cefexchange::SetCommandMessage>(id + " " + word, [&](const auto& data) {
            return data.windowid() == id && data.command() == word;
        });
    }
    bool hearPosition(const std::string& id, int x, int y, int width, int height) override {
        return hear<cefexchange::GetPositionMessage>(id + " position", [&](const auto& p) {
            return p.windowid() == id && p.x() == x && p.y() == y && p.width() == width && p.height() == height;
        });
    }
    bool hearModal(const std::string& id, bool modal) override {
        return hear<cefexchange::SetWindowModalMessage>(id + " modal report", [&](const auto& data) {
            return data.windowid() == id && data.modal() == modal;
        });
    }
    bool hearEnd() override {
        if (!host_.waitForPartnerGone(kTimeout)) return fail("the browser-window host did not end its connection");
        std::cout << "<- connection ended\n";
        return true;
    }
    std::optional<int> exitStatus() override { return child_.waitForExit(kTimeout); }

private:
    void send(const boost::shared_ptr<const foundation::msg_svc::exchange::Message>& message) {
        std::ostringstream text;
        message->toString(text, 0);
        std::cout << "-> " << text.str() << '\n';
        if (!host_.command(message, kTimeout)) fail("no reply to " + text.str());
    }

    // Prints what arrives until a message of type M satisfies the predicate; false on timeout.
    template <class M, class Expected>
    bool hear(const std::string& what, Expected expected) {
        bool found = false;
        host_.waitFor([&](const auto& received) {
            for (; printed_ < received.size(); ++printed_) {
                std::ostringstream text;
                received[printed_].message->toString(text, 0);
                std::cout << "<- " << text.str() << '\n';
                auto message = boost::dynamic_pointer_cast<const M>(received[printed_].message);
                if (message && expected(message->getData())) {
                    found = true;
                    ++printed_;
                    return true;
                }
            }
            return false;
        }, kTimeout);
        return found || fail("did not hear " + what);
    }

    veltrane_host::ExchangeHost host_;
    veltrane_host::ChildProcess child_;
    std::size_t printed_ = 0;
};

bool runDemo(DemoLink& host) {
    if (!host.started()) return false;
    host.open("first", 100, 100);
    if (!host.hearCommand("first", "loadFinished")) return false;
    host.open("second", 200, 150);
    if (!host.hearCommand("second", "loadFinished")) return false;
    if (!host.saveScreenshot("first")) return false;

    host.move("first", 40, 50, 800, 600);
    host.command("first", "GetPosition");
    if (!host.hearPosition("first", 40, 50, 800, 600)) return false;
    host.command("second", "GetPosition");
    if (!host.hearPosition("second", 200, 150, 640, 480)) return false;

    std::cout << "-- modal round\n";
    host.modal("second", true);
    if (!host.hearCommand("first", "setDeactivateCurrentWindow") || !host.hearModal("second", true)) return false;
    host.modal("second", false);
    if (!host.hearCommand("first", "setActivateCurrentWindow") || !host.hearModal("second", false)) return false;

    std::cout << "-- closing\n";
    host.command("first", "close");
    host.command("second", "close");
    if (!host.hearEnd()) return false;
    const auto status = host.exitStatus();
    if (status != 0) return host.fail("the host process did not exit with 0");
    std::cout << "-- the host process exited with 0\n";
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string program = argc > 1 ? argv[1] : VELTRANE_BINARY;
    try {
        std::cout << "== over the pipe\n";
        PipeDemo pipe(program);
        const bool pipeOk = runDemo(pipe);
        std::cout << "== over the exchange\n";
        ExchangeDemo exchange(program);
        const bool exchangeOk = runDemo(exchange);
        const bool ok = pipeOk && exchangeOk;
        std::cout << (ok ? "demo: everything expected was heard\n" : "demo: FAILED\n");
        return ok ? 0 : 1;
    } catch (const std::exception& error) {
        std::cout << "demo: " << error.what() << '\n';
        return 1;
    }
}
