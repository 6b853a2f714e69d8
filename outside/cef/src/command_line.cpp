#include "cef/command_line.h"

#include <mutex>

#include "platform/command_line.h"

namespace {

class CommandLine : public CefRefCountedImpl<CefCommandLine> {
public:
    void InitFromArgv(int argc, const char* const* argv) override {
        std::vector<std::string> arguments;
        for (int i = 0; argv && i < argc; ++i) arguments.emplace_back(argv[i] ? argv[i] : "");
        InitFromArguments(arguments);
    }

    void InitFromArguments(const std::vector<std::string>& arguments) override {
        std::lock_guard lock(mutex_);
        clear();
        bool switchesEnded = false;
        for (std::size_t i = 0; i < arguments.size(); ++i) {
            const std::string& argument = arguments[i];
            argv_.emplace_back(argument);
            if (i == 0) continue;
            if (!switchesEnded && argument == "--") {
                switchesEnded = true;
            } else if (!switchesEnded && argument.size() > 2 && argument.starts_with("--") && argument[2] != '=') {
                const std::size_t equals = argument.find('=');
                if (equals == std::string::npos)
                    switches_[CefString(argument.substr(2))] = CefString();
                else
                    switches_[CefString(argument.substr(2, equals - 2))] = CefString(argument.substr(equals + 1));
            } else {
                arguments_.emplace_back(argument);
            }
        }
    }

    void Reset() override {
        std::lock_guard lock(mutex_);
        clear();
    }

    void GetArgv(std::vector<CefString>& argv) override {
        std::lock_guard lock(mutex_);
        argv = argv_;
    }
    CefString GetProgram() override {
        std::lock_guard lock(mutex_);
        return argv_.empty() ? CefString() : argv_.front();
    }
    bool HasSwitches() override {
        std::lock_guard lock(mutex_);
        return !switches_.empty();
    }
    bool HasSwitch(const CefString& name) override {
        std::lock_guard lock(mutex_);
        return switches_.contains(name);
    }
    CefString GetSwitchValue(const CefString& name) override {
        std::lock_guard lock(mutex_);
        auto found = switches_.find(name);
        return found == switches_.end() ? CefString() : found->second;
    }
    void GetSwitches(SwitchMap& switches) override {
        std::lock_guard lock(mutex_);
        switches = switches_;
    }
    void AppendSwitch(const CefString& name) override { AppendSwitchWithValue(name, CefString()); }
    void AppendSwitchWithValue(const CefString& name, const CefString& value) override {
        std::lock_guard lock(mutex_);
        if (argv_.empty()) argv_.emplace_back();
        argv_.emplace_back(value.empty() ? "--" + name.ToString() : "--" + name.ToString() + "=" + value.ToString());
        switches_[name] = value;
    }
    bool HasArguments() override {
        std::lock_guard lock(mutex_);
        return !arguments_.empty();
    }
    void GetArguments(ArgumentList& arguments) override {
        std::lock_guard lock(mutex_);
        arguments = arguments_;
    }
    void AppendArgument(const CefString& argument) override {
        std::lock_guard lock(mutex_);
        if (argv_.empty()) argv_.emplace_back();
        argv_.push_back(argument);
        arguments_.push_back(argument);
    }

private:
    void clear() {
        argv_.clear();
        switches_.clear();
        arguments_.clear();
    }

    std::mutex mutex_;
    std::vector<CefString> argv_;
    SwitchMap switches_;
    ArgumentList arguments_;
};

}  // namespace

CefRefPtr<CefCommandLine> CefCommandLine::CreateCommandLine() { return new CommandLine(); }

CefRefPtr<CefCommandLine> CefCommandLine::GetGlobalCommandLine() {
    static const CefRefPtr<CefCommandLine> global = [] {
        CefRefPtr<CefCommandLine> commandLine = CreateCommandLine();
        commandLine->InitFromArguments(platform::processArguments());
        return commandLine;
    }();
    return global;
}
