#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The process's arguments, program first, as UTF-8.
std::vector<std::string> processArguments();

// The process's command line as one wide string: the arguments joined by blanks, each quoted
// so that splitCommandLine gives them back unchanged.
std::u16string wideCommandLine();

// Splits a command line into arguments: blanks and tabs separate, double quotes group, and a
// backslash run escapes a following quote (2n backslashes give n and keep the quote's meaning,
// 2n+1 give n and a literal quote).
std::vector<std::u16string> splitCommandLine(std::u16string_view commandLine);

}  // namespace platform
