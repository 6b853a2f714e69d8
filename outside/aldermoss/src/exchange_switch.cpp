#include <algorithm>

#include "aldermoss/cefclient_utils.h"
#include "cef/command_line.h"

namespace cefclient_utils {

bool isExchangeEnabled() {
    std::vector<CefString> argv;
    CefCommandLine::GetGlobalCommandLine()->GetArgv(argv);
    const CefString handleArgument("-NamedPipeHandle");
    return std::find(argv.begin() + (argv.empty() ? 0 : 1), argv.end(), handleArgument) != argv.end();
}

}  // namespace cefclient_utils
