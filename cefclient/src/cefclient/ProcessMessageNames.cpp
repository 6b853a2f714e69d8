#include "cefclient/ProcessMessageNames.h"

namespace veltrane_names {

const std::string kWindowStateMessage = "Browser.WindowState";
const std::string kWindowStateChange = "windowStateChange";
const std::string kPositionChange = "positionChange";
const std::string kOuterPositionChange = "outerPositionChange";
const std::string kZoomLevelChange = "zoomLevel";

}  // namespace veltrane_names
