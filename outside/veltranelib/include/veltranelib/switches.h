#pragma once

// Command-line switches of the window library.
namespace cefclient {

extern const char kUrl[];
extern const char kTitle[];
extern const char kPosition[];
extern const char kVisible[];
extern const char kCustomCloseListenerEnabled[];

}  // namespace cefclient
