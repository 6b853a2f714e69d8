#include "veltranelib/javascript_commands.h"

namespace javascript_commands {

const char kHandleWindowClosedCommand[] = "handleWindowClosed";
const char kHandleWindowResizedCommand[] = "handleWindowResized";

}  // namespace javascript_commands
