#pragma once

#include <string>

// Names of the process message that carries window changes to the page's renderer.
namespace veltrane_names {

extern const std::string kWindowStateMessage;       // "Browser.WindowState"
extern const std::string kWindowStateChange;        // change kind: window state
extern const std::string kPositionChange;           // change kind: position
extern const std::string kOuterPositionChange;      // change kind: outer position
extern const std::string kZoomLevelChange;          // change kind: zoom level

}  // namespace veltrane_names
