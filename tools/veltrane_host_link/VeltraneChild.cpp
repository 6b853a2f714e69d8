#include "VeltraneChild.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace veltrane_host {
namespace {

using Clock = std::chrono::steady_clock;

void makePipe(int fds[2]) {
    if (::pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
}

bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace

std::string frameHeader(std::uint32_t length) {
    std::string header(4, '\0');
    for (int i = 0; i < 4; ++i) header[i] = static_cast<char>((length >> (8 * i)) & 0xFF);
    return header;
}

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                           const std::vector<std::string>& environment) {
    int in[2], out[2], err[2];
    makePipe(in);
    makePipe(out);
    makePipe(err);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    std::vector<std::string> argv = {program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> rawArgv;
    for (std::string& argument : argv) rawArgv.push_back(argument.data());
    rawArgv.push_back(nullptr);
    std::vector<std::string> entries = environment;
    // The given entries come first, so that they win over inherited ones of the same name.
    std::vector<char*> rawEnvironment;
    for (std::string& entry : entries) rawEnvironment.push_back(entry.data());
    for (char** entry = environ; *entry != nullptr; ++entry) rawEnvironment.push_back(*entry);
    rawEnvironment.push_back(nullptr);
    const int spawned = ::posix_spawn(&pid_, program.c_str(), &actions, nullptr, rawArgv.data(), rawEnvironment.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    input_ = in[1];
    output_.fd = out[0];
    error_.fd = err[0];
    if (spawned != 0) {
        ::close(input_);
        ::close(output_.fd);
        ::close(error_.fd);
        throw std::runtime_error("cannot start " + program + ": " + std::strerror(spawned));
    }
    // A child that stops reading must not kill this process with SIGPIPE.
    ::signal(SIGPIPE, SIG_IGN);
}

ChildProcess::~ChildProcess() {
    closeInput();
    if (!waitForExit(std::chrono::milliseconds(0))) {
        ::kill(pid_, SIGKILL);
        waitForExit(std::chrono::seconds(5));
    }
    ::close(output_.fd);
    ::close(error_.fd);
}

bool ChildProcess::send(const std::string& payload) {
    return sendRaw(frameHeader(static_cast<std::uint32_t>(payload.size())) + payload);
}

bool ChildProcess::sendRaw(const std::string& bytes) {
    return input_ >= 0 && writeAll(input_, bytes.data(), bytes.size());
}

void ChildProcess::closeInput() {
    if (input_ >= 0) ::close(input_);
    input_ = -1;
}

std::optional<std::string> ChildProcess::receive(std::chrono::milliseconds timeout) {
    return receiveFrom(output_, timeout);
}

std::optional<std::string> ChildProcess::receiveError(std::chrono::milliseconds timeout) {
    return receiveFrom(error_, timeout);
}

std::optional<std::string> ChildProcess::receiveFrom(Stream& stream, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (stream.buffer.size() >= 4) {
            std::uint32_t length = 0;
            for (int i = 3; i >= 0; --i) length = (length << 8) | static_cast<unsigned char>(stream.buffer[i]);
            if (stream.buffer.size() >= 4 + static_cast<std::size_t>(length)) {
                std::string payload = stream.buffer.substr(4, length);
                stream.buffer.erase(0, 4 + static_cast<std::size_t>(length));
                return payload;
            }
        }
        if (!readMore(stream, deadline)) return std::nullopt;
    }
}

std::optional<std::string> ChildProcess::receiveLine(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        const std::size_t end = output_.buffer.find('\n');
        if (end != std::string::npos) {
            std::string line = output_.buffer.substr(0, end);
            output_.buffer.erase(0, end + 1);
            return line;
        }
        if (!readMore(output_, deadline)) return std::nullopt;
    }
}

std::optional<std::string> ChildProcess::receiveErrorText(std::chrono::milliseconds timeout) {
    if (error_.buffer.empty() && !readMore(error_, Clock::now() + timeout)) return std::nullopt;
    std::string text;
    text.swap(error_.buffer);
    return text;
}

bool ChildProcess::readMore(Stream& stream, Clock::time_point deadline) {
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return false;
        pollfd ready{stream.fd, POLLIN, 0};
        const int polled = ::poll(&ready, 1, static_cast<int>(left.count()));
        if (polled < 0 && errno == EINTR) continue;
        if (polled <= 0) return false;
        char chunk[65536];
        const ssize_t got = ::read(stream.fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        stream.buffer.append(chunk, static_cast<std::size_t>(got));
        return true;
    }
}

std::optional<int> ChildProcess::waitForExit(std::chrono::milliseconds timeout) {
    if (exitStatus_) return exitStatus_;
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        int status = 0;
        const pid_t done = ::waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return exitStatus_;
        }
        if (Clock::now() >= deadline) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

}  // namespace veltrane_host
