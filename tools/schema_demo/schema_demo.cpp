// Builds one message of each command the host sends, round-trips it through the wire form and
// prints one line per message.
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "cefclient_messages.pb.h"

using cefclient_messages::windowMessage;

namespace {

struct Command {
    const char* name;
    std::function<void(windowMessage&)> fill;
};

std::vector<Command> hostCommands() {
    return {
        {"newWindow",
         [](windowMessage& m) {
             auto* w = m.mutable_newwindow();
             w->set_url("https://example.test/start");
             w->set_x(100);
             w->set_y(100);
             w->set_width(1200);
             w->set_height(800);
             w->set_origin(0);
             w->set_visible(true);
             w->set_windowtype("Standard");
             w->set_windowextra("");
             w->set_windowflag(false);
             w->set_createparam1("");
             w->set_createparam2("");
         }},
        {"setTitle", [](windowMessage& m) { m.mutable_settitle()->set_title("Demo window"); }},
        {"setIcon", [](windowMessage& m) { m.mutable_seticon()->set_icon("/tmp/icon.png"); }},
        {"setPosition",
         [](windowMessage& m) {
             auto* p = m.mutable_setposition();
             p->set_x(-5);
             p->set_y(40);
             p->set_width(640);
             p->set_height(480);
             p->set_didendresize(true);
             p->set_timestamp(1'700'000'000'000'000ULL);
         }},
        {"setOuterPosition",
         [](windowMessage& m) {
             auto* p = m.mutable_setouterposition();
             p->set_x(0);
             p->set_y(0);
             p->set_width(800);
             p->set_height(600);
             p->set_didendresize(false);
             p->set_timestamp(1'700'000'000'000'001ULL);
         }},
        {"setURL", [](windowMessage& m) { m.mutable_seturl()->set_url("https://example.test/next"); }},
        {"setMaxSize",
         [](windowMessage& m) {
             m.mutable_setmaxsize()->set_maxwidth(1920);
             m.mutable_setmaxsize()->set_maxheight(1080);
         }},
        {"setMinSize",
         [](windowMessage& m) {
             m.mutable_setminsize()->set_minwidth(200);
             m.mutable_setminsize()->set_minheight(100);
         }},
        {"setCommand", [](windowMessage& m) { m.mutable_setcommand()->set_command("Maximize"); }},
        {"executeJS", [](windowMessage& m) { m.mutable_executejs()->set_script("document.title"); }},
        {"setOnTop", [](windowMessage& m) { m.mutable_setontop()->set_ontop(true); }},
        {"setDownloadDir", [](windowMessage& m) { m.mutable_setdownloaddir()->set_path("/tmp/downloads"); }},
        {"AllowCertificate",
         [](windowMessage& m) { m.mutable_allowcertificate()->set_certificate("-----BEGIN CERTIFICATE-----"); }},
        {"setZoomLevel", [](windowMessage& m) { m.mutable_setzoomlevel()->set_zoom(-1); }},
        {"printToPDF", [](windowMessage& m) { m.mutable_printtopdf()->set_path("/tmp/page.pdf"); }},
        {"setDragDrop", [](windowMessage& m) { m.mutable_setdragdrop()->set_enable(true); }},
        {"SetAllWindowsActivated",
         [](windowMessage& m) { m.mutable_setallwindowsactivated()->set_activate(false); }},
        {"SetWindowModal", [](windowMessage& m) { m.mutable_setwindowmodal()->set_modal(true); }},
        {"proxyAuth",
         [](windowMessage& m) {
             m.mutable_proxyauth()->set_username("user");
             m.mutable_proxyauth()->set_password("secret");
         }},
    };
}

std::string hexPrefix(const std::string& bytes, size_t count) {
    std::string out;
    char buffer[4];
    for (size_t i = 0; i < bytes.size() && i < count; ++i) {
        std::snprintf(buffer, sizeof buffer, "%02X ", static_cast<unsigned char>(bytes[i]));
        out += buffer;
    }
    if (bytes.size() > count) out += "...";
    return out;
}

}  // namespace

int main() {
    int failures = 0;
    for (const auto& command : hostCommands()) {
        windowMessage sent;
        sent.set_windowid("W1");
        command.fill(sent);
        const std::string wire = sent.SerializeAsString();
        windowMessage received;
        const bool parsed = received.ParseFromString(wire);
        const bool same = parsed && received.SerializeAsString() == wire;
        failures += same ? 0 : 1;
        std::printf("%-24s %4zu bytes  %s  %s\n", command.name, wire.size(), same ? "ok  " : "FAIL",
                    hexPrefix(wire, 16).c_str());
    }
    return failures == 0 ? 0 : 1;
}
