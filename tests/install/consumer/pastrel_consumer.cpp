// Puts text on the clipboard through a set request and reads it back through a get request.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "EditorServices/Pastrel.h"

int main() {
    setenv("PELANDRY_CLIPBOARD", "memory", 1);
    EditorServices::Pastrel pastrel;
    using Message = connector::message_service::JsonMessage;
    std::string setReply;
    pastrel.handleSetClipboardDataRequest(
        Message(R"({"requestId":"s","contents":[{"flavor":"text/plain","content":"from outside"}]})"),
        pf::clipboard::PFClipboardModeClipboard, [&](std::string reply, std::string) { setReply = std::move(reply); });
    std::string getReply;
    pastrel.handleGetClipboardDataRequest(Message(R"({"requestId":"g","flavors":["text/plain"]})"),
                                          pf::clipboard::PFClipboardModeClipboard,
                                          [&](std::string reply, std::string) { getReply = std::move(reply); });
    if (setReply.find("\"success\":true") == std::string::npos ||
        getReply.find("from outside") == std::string::npos) {
        std::fprintf(stderr, "set reply: %s\nget reply: %s\n", setReply.c_str(), getReply.c_str());
        return 1;
    }
    return 0;
}
