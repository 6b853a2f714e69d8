#pragma once

// Command words that pages and hosts exchange with a window.
namespace javascript_commands {

extern const char kHandleWindowClosedCommand[];
extern const char kHandleWindowResizedCommand[];

}  // namespace javascript_commands
