#include "platform/process.h"

#include <fstream>
#include <iterator>
#include <string>

namespace platform {

bool isProcessRunning(std::int32_t processID) {
    if (processID <= 0) return false;
    std::ifstream file("/proc/" + std::to_string(processID) + "/stat");
    const std::string stat((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    // The state follows the command name, which is in parentheses and may hold anything.
    const std::size_t nameEnd = stat.rfind(')');
    if (nameEnd == std::string::npos || nameEnd + 2 >= stat.size()) return false;
    const char state = stat[nameEnd + 2];
    return state != 'Z' && state != 'X' && state != 'x';
}

}  // namespace platform
