#include "PageServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace veltrane_render {
namespace {

constexpr int kPollMilliseconds = 20;
constexpr int kRequestWaitPolls = 250;  // five seconds for a request to arrive

void sendAll(int connection, const std::string& data) {
    std::size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t n = ::send(connection, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return;
        sent += static_cast<std::size_t>(n);
    }
}

// The path of the request line "GET /path?query HTTP/1.1"; empty when the line is not one.
std::string requestPath(const std::string& head) {
    const std::size_t start = head.find(' ');
    if (start == std::string::npos) return {};
    const std::size_t end = head.find_first_of(" ?", start + 1);
    if (end == std::string::npos) return {};
    return head.substr(start + 1, end - start - 1);
}

}  // namespace

PageServer::PageServer() {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener_ < 0) throw std::runtime_error("socket failed");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listener_, 64) != 0) {
        ::close(listener_);
        throw std::runtime_error("cannot listen on 127.0.0.1");
    }
    socklen_t length = sizeof address;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { acceptConnections(); });
}

PageServer::~PageServer() {
    stopping_ = true;
    acceptor_.join();
    for (std::thread& connection : connections_) connection.join();
    ::close(listener_);
}

std::string PageServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void PageServer::serve(const std::string& path, Page page) {
    std::lock_guard lock(mutex_);
    pages_[path] = std::move(page);
}

void PageServer::acceptConnections() {
    while (!stopping_) {
        pollfd waiting{listener_, POLLIN, 0};
        if (::poll(&waiting, 1, kPollMilliseconds) <= 0) continue;
        const int connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0) continue;
        // Only this thread touches the list until the destructor joins it.
        connections_.emplace_back([this, connection] {
            answer(connection);
            ::close(connection);
        });
    }
}

void PageServer::answer(int connection) {
    std::string head;
    char buffer[4096];
    for (int polls = 0; head.find("\r\n\r\n") == std::string::npos; ++polls) {
        pollfd watch{connection, POLLIN, 0};
        // The engine opens connections ahead of need; those that stay silent are dropped.
        if (stopping_ || polls > kRequestWaitPolls) return;
        if (::poll(&watch, 1, kPollMilliseconds) <= 0) continue;
        const ssize_t n = ::recv(connection, buffer, sizeof buffer, 0);
        if (n <= 0) return;
        head.append(buffer, static_cast<std::size_t>(n));
    }
    Page page{"text/plain", "no such page"};
    int status = 404;
    {
        std::lock_guard lock(mutex_);
        if (auto found = pages_.find(requestPath(head)); found != pages_.end()) {
            page = found->second;
            status = 200;
        }
    }
    sendAll(connection, "HTTP/1.1 " + std::to_string(status) + (status == 200 ? " OK" : " Not Found") +
                            "\r\nContent-Type: " + page.contentType +
                            "\r\nContent-Length: " + std::to_string(page.body.size()) +
                            "\r\nConnection: close\r\n\r\n" + page.body);
}

}  // namespace veltrane_render
