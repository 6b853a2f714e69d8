#include "platform/command_line.h"

#include <fstream>
#include <iterator>
#include <mutex>
#include <optional>

#include "fl/i18n/conversion.h"
#include "process_arguments.h"

namespace platform {
namespace {

std::mutex overrideMutex;
std::optional<std::vector<std::string>> argumentsOverride;

std::vector<std::string> readOwnArguments() {
    std::ifstream file("/proc/self/cmdline", std::ios::binary);
    const std::string content((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::vector<std::string> arguments;
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\0', start);
        if (end == std::string::npos) end = content.size();
        arguments.emplace_back(content, start, end - start);
        start = end + 1;
    }
    return arguments;
}

bool isBlank(char16_t c) { return c == u' ' || c == u'\t'; }

void appendQuoted(std::u16string& line, const std::u16string& argument) {
    const bool plain = !argument.empty() && argument.find_first_of(u" \t\"") == std::u16string::npos;
    if (plain) {
        line += argument;
        return;
    }
    line += u'"';
    std::size_t backslashes = 0;
    for (char16_t c : argument) {
        if (c == u'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes count double only before a quote.
        line.append(c == u'"' ? backslashes * 2 + 1 : backslashes, u'\\');
        backslashes = 0;
        line += c;
    }
    line.append(backslashes * 2, u'\\');
    line += u'"';
}

}  // namespace

namespace detail {

std::optional<std::vector<std::string>> exchangeArgumentsOverride(std::optional<std::vector<std::string>> arguments) {
    std::lock_guard lock(overrideMutex);
    std::swap(argumentsOverride, arguments);
    return arguments;
}

}  // namespace detail

std::vector<std::string> processArguments() {
    {
        std::lock_guard lock(overrideMutex);
        if (argumentsOverride) return *argumentsOverride;
    }
    return readOwnArguments();
}

std::u16string wideCommandLine() {
    std::u16string line;
    for (const auto& argument : processArguments()) {
        if (!line.empty()) line += u' ';
        appendQuoted(line, fl::i18n::to_ustring(argument));
    }
    return line;
}

std::vector<std::u16string> splitCommandLine(std::u16string_view commandLine) {
    std::vector<std::u16string> arguments;
    std::size_t i = 0;
    const std::size_t size = commandLine.size();
    for (;;) {
        while (i < size && isBlank(commandLine[i])) ++i;
        if (i == size) break;
        std::u16string argument;
        bool quoted = false;
        while (i < size && (quoted || !isBlank(commandLine[i]))) {
            const char16_t c = commandLine[i];
            if (c == u'\\') {
                std::size_t run = 0;
                while (i < size && commandLine[i] == u'\\') ++run, ++i;
                if (i < size && commandLine[i] == u'"') {
                    argument.append(run / 2, u'\\');
                    if (run % 2 == 1) argument += u'"', ++i;
                } else {
                    argument.append(run, u'\\');
                }
            } else if (c == u'"') {
                if (quoted && i + 1 < size && commandLine[i + 1] == u'"') {
                    argument += u'"';
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                argument += c;
                ++i;
            }
        }
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

}  // namespace platform
