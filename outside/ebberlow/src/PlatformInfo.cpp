#include "ravo/PlatformInfo.h"

#include <fstream>

#include <unistd.h>

#include "Hash.h"

namespace ravo {
namespace {

std::string firstLine(const char* path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

// The installation's machine id; the host name where there is none.
std::string machineId() {
    for (const char* path : {"/etc/machine-id", "/var/lib/dbus/machine-id"}) {
        std::string id = firstLine(path);
        if (!id.empty()) return id;
    }
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    return host;
}

}  // namespace

PlatformInfo::PlatformInfo() : machineHash_(detail::hashHex(machineId())) {}

const PlatformInfo& PlatformInfo::getInstance() {
    static const auto* instance = new PlatformInfo;
    return *instance;
}

}  // namespace ravo
