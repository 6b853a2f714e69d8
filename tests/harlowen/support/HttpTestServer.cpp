#include "HttpTestServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace harlowen_test {
namespace {

constexpr auto kForever = std::chrono::milliseconds(60000);

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

bool sendAll(int connection, const std::string& data) {
    size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t n = ::send(connection, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

std::string reasonOf(int status) {
    switch (status) {
        case 200: return "OK";
        case 302:
            return "Found";
        case 404: return "Not Found";
        case 407: return "Proxy Authentication Required";
        case 500: return "Internal Server Error";
        default: return "Status";
    }
}

// Splits "GET /a?b HTTP/1.1" and the header lines; false when the request is malformed.
bool parseHead(const std::string& head, RecordedRequest& request) {
    const size_t lineEnd = head.find("\r\n");
    const std::string line = head.substr(0, lineEnd);
    const size_t space1 = line.find(' ');
    const size_t space2 = line.find(' ', space1 + 1);
    if (space1 == std::string::npos || space2 == std::string::npos) return false;
    request.method = line.substr(0, space1);
    request.target = line.substr(space1 + 1, space2 - space1 - 1);
    std::string path = request.target;
    if (const size_t scheme = path.find("://"); scheme != std::string::npos) {
        const size_t slash = path.find('/', scheme + 3);
        path = slash == std::string::npos ? "/" : path.substr(slash);
    }
    request.path = path.substr(0, path.find('?'));
    size_t at = lineEnd + 2;
    while (at < head.size()) {
        const size_t end = head.find("\r\n", at);
        const std::string header = head.substr(at, end - at);
        at = end == std::string::npos ? head.size() : end + 2;
        const size_t colon = header.find(':');
        if (colon == std::string::npos) continue;
        size_t valueAt = colon + 1;
        while (valueAt < header.size() && header[valueAt] == ' ') ++valueAt;
        request.headers[lower(header.substr(0, colon))] = header.substr(valueAt);
    }
    return true;
}

}  // namespace

HttpTestServer::HttpTestServer() {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    if (listener_ < 0) throw std::runtime_error("socket failed");
    const int yes = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listener_, 16) != 0) {
        ::close(listener_);
        throw std::runtime_error("cannot listen on 127.0.0.1");
    }
    socklen_t length = sizeof address;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { run(); });
}

HttpTestServer::~HttpTestServer() {
    stopping_ = true;
    thread_.join();
    ::close(listener_);
}

std::string HttpTestServer::url() const { return "http://127.0.0.1:" + std::to_string(port_); }

void HttpTestServer::serve(const std::string& path, CannedResponse response) {
    std::lock_guard lock(mutex_);
    routes_[path] = std::move(response);
}

std::vector<RecordedRequest> HttpTestServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

size_t HttpTestServer::requestCount(const std::string& path) const {
    std::lock_guard lock(mutex_);
    return std::count_if(requests_.begin(), requests_.end(), [&](const auto& r) { return r.path == path; });
}

bool HttpTestServer::waitForRequest(const std::string& path, std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (requestCount(path) == 0) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

void HttpTestServer::run() {
    while (!stopping_) {
        pollfd waiting{listener_, POLLIN, 0};
        if (::poll(&waiting, 1, 20) <= 0) continue;
        const int connection = ::accept(listener_, nullptr, nullptr);
        if (connection < 0) continue;
        handle(connection);
        ::close(connection);
    }
}

void HttpTestServer::holdConnection(int connection, std::chrono::milliseconds limit) const {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!stopping_ && std::chrono::steady_clock::now() < deadline) {
        pollfd watch{connection, POLLIN, 0};
        if (::poll(&watch, 1, 20) > 0) {
            char byte;
            if (::recv(connection, &byte, 1, MSG_PEEK) <= 0) return;
        }
    }
}

void HttpTestServer::handle(int connection) {
    std::string data;
    char buffer[4096];
    size_t headEnd;
    while ((headEnd = data.find("\r\n\r\n")) == std::string::npos) {
        pollfd watch{connection, POLLIN, 0};
        if (stopping_ || ::poll(&watch, 1, 1000) <= 0) return;
        const ssize_t n = ::recv(connection, buffer, sizeof buffer, 0);
        if (n <= 0) return;
        data.append(buffer, static_cast<size_t>(n));
    }
    RecordedRequest request;
    if (!parseHead(data.substr(0, headEnd), request)) return;
    request.body = data.substr(headEnd + 4);
    const auto length = request.headers.find("content-length");
    const size_t expected = length == request.headers.end() ? 0 : std::stoul(length->second);
    while (request.body.size() < expected) {
        const ssize_t n = ::recv(connection, buffer, sizeof buffer, 0);
        if (n <= 0) return;
        request.body.append(buffer, static_cast<size_t>(n));
    }

    CannedResponse response{404, "no such path", "text/plain"};
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
        if (auto route = routes_.find(request.path); route != routes_.end()) response = route->second;
    }
    if (response.holdBeforeReply.count() > 0) {
        holdConnection(connection, response.holdBeforeReply);
        if (stopping_) return;
    }
    std::string extraHeaders;
    bool lengthGiven = response.repeatUpTo.has_value();
    for (const auto& header : response.headers) {
        extraHeaders += "\r\n" + header;
        lengthGiven = lengthGiven || lower(header).rfind("content-length:", 0) == 0;
    }
    if (!lengthGiven) extraHeaders += "\r\nContent-Length: " + std::to_string(response.body.size());
    const std::string head = "HTTP/1.1 " + std::to_string(response.status) + " " + reasonOf(response.status) +
                             extraHeaders + "\r\nContent-Type: " + response.contentType +
                             (response.status == 407 ? "\r\nProxy-Authenticate: Basic realm=\"test\"" : "") +
                             "\r\nConnection: close\r\n\r\n";
    if (response.stallAfter) {
        sendAll(connection, head + response.body.substr(0, *response.stallAfter));
        holdConnection(connection, kForever);
        return;
    }
    if (response.closeAfter) {
        sendAll(connection, head + response.body.substr(0, *response.closeAfter));
        return;
    }
    if (response.repeatUpTo) {
        if (sendAll(connection, head)) sendRepeated(connection, response.body, *response.repeatUpTo);
        return;
    }
    if (response.dripInterval.count() > 0) {
        if (sendAll(connection, head)) drip(connection, response.body, response.dripInterval);
        return;
    }
    sendAll(connection, head + response.body);
}

void HttpTestServer::sendRepeated(int connection, const std::string& body, size_t limit) const {
    for (size_t sent = 0; !body.empty() && sent < limit && !stopping_; sent += body.size()) {
        if (!sendAll(connection, body.substr(0, limit - sent))) return;
    }
}

void HttpTestServer::drip(int connection, const std::string& body, std::chrono::milliseconds interval) const {
    for (const char byte : body) {
        if (stopping_ || !sendAll(connection, std::string(1, byte))) return;
        holdConnection(connection, interval);
    }
}

}  // namespace harlowen_test
