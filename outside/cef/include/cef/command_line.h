#pragma once

#include <map>
#include <string>
#include <vector>

#include "cef/cef_string.h"
#include "cef/ref_counted.h"

// The engine's command line: the program, switches ("--name=value" or "--name") and plain
// arguments. Everything after a bare "--" is a plain argument. Switch names match exactly.
class CefCommandLine : public CefBaseRefCounted {
public:
    using ArgumentList = std::vector<CefString>;
    using SwitchMap = std::map<CefString, CefString>;

    static CefRefPtr<CefCommandLine> CreateCommandLine();
    // The process-wide command line, made from the process's own arguments on first use.
    static CefRefPtr<CefCommandLine> GetGlobalCommandLine();

    virtual void InitFromArgv(int argc, const char* const* argv) = 0;
    virtual void InitFromArguments(const std::vector<std::string>& arguments) = 0;
    virtual void Reset() = 0;

    // Every argument as given, the program first.
    virtual void GetArgv(std::vector<CefString>& argv) = 0;
    virtual CefString GetProgram() = 0;
    virtual bool HasSwitches() = 0;
    virtual bool HasSwitch(const CefString& name) = 0;
    // Empty for a switch without value or an absent switch.
    virtual CefString GetSwitchValue(const CefString& name) = 0;
    virtual void GetSwitches(SwitchMap& switches) = 0;
    virtual void AppendSwitch(const CefString& name) = 0;
    virtual void AppendSwitchWithValue(const CefString& name, const CefString& value) = 0;
    virtual bool HasArguments() = 0;
    // The plain (non-switch) arguments, the program excluded.
    virtual void GetArguments(ArgumentList& arguments) = 0;
    virtual void AppendArgument(const CefString& argument) = 0;
};
