#include "veltranelib/switches.h"

namespace cefclient {

const char kUrl[] = "url";
const char kTitle[] = "title";
const char kPosition[] = "position";
const char kVisible[] = "visible";
const char kCustomCloseListenerEnabled[] = "custom-close-listener-enabled";

}  // namespace cefclient
