#pragma once

// The process's arguments as the entry received them; none when made without them, in which case
// the process's own command line is used.
class CefMainArgs {
public:
    CefMainArgs() = default;
    CefMainArgs(int argc, char** argv) : argc(argc), argv(argv) {}

    int argc = 0;
    char** argv = nullptr;
};
