#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace veltrane_host {

// A child program whose standard input, output and error are pipes to this process, spoken to in frames: each
// payload preceded by its length as an unsigned 32-bit little-endian number.
class ChildProcess {
public:
    // Starts program with the arguments (the program name is added as the first one) in this process's
    // environment plus the given "NAME=value" entries. Throws std::runtime_error when it cannot be started.
    ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                 const std::vector<std::string>& environment = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }

    // Writes one frame to the child's standard input; false once the child no longer reads it.
    bool send(const std::string& payload);
    // Writes raw bytes, for framing that is meant to be wrong.
    bool sendRaw(const std::string& bytes);
    void closeInput();

    // The next frame from standard output (or error); nothing when none arrives in time or the stream ended.
    std::optional<std::string> receive(std::chrono::milliseconds timeout);
    std::optional<std::string> receiveError(std::chrono::milliseconds timeout);
    // The next line of standard output, without its end, for a child that writes text there.
    std::optional<std::string> receiveLine(std::chrono::milliseconds timeout);
    // Whatever standard error holds or brings next, unframed.
    std::optional<std::string> receiveErrorText(std::chrono::milliseconds timeout);

    // The exit status once the child has ended, or nothing when it is still running after the timeout.
    std::optional<int> waitForExit(std::chrono::milliseconds timeout);

private:
    struct Stream {
        int fd = -1;
        std::string buffer;
    };
    std::optional<std::string> receiveFrom(Stream& stream, std::chrono::milliseconds timeout);
    // Reads more of the stream; false when nothing came in time or the stream ended.
    bool readMore(Stream& stream, std::chrono::steady_clock::time_point deadline);

    pid_t pid_ = -1;
    int input_ = -1;
    Stream output_;
    Stream error_;
    std::optional<int> exitStatus_;
};

// Serialises a frame length the way the pipe expects it.
std::string frameHeader(std::uint32_t length);

}  // namespace veltrane_host
