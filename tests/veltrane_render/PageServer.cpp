#include "PageServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <stdexcept>

namespace veltrane_render {
namespace {

constexpr int kPollMilliseconds = 20;
// The engine opens connections ahead of need; those that stay silent this long are dropped.
constexpr timeval kReceiveTimeout{2, 0};

std::string lowerCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The path of the request line "GET /path?query HTTP/1.1" or "GET http://host/path HTTP/1.1".
std::string requestPath(const std::string& head) {
    const std::size_t start = head.find(' ');
    if (start == std::string::npos) return {};
    const std::size_t end = head.find(' ', start + 1);
    if (end == std::string::npos) return {};
    std::string target = head.substr(start + 1, end - start - 1);
    if (const std::size_t scheme = target.find("://"); scheme != std::string::npos) {
        const std::size_t path = target.find('/', scheme + 3);
        target = path == std::string::npos ? "/" : target.substr(path);
    }
    return target.substr(0, target.find('?'));
}

std::string headerValue(const std::string& head, const std::string& name) {
    const std::string lowered = lowerCase(head);
    const std::size_t at = lowered.find("\r\n" + name + ":");
    if (at == std::string::npos) return {};
    std::size_t value = at + name.size() + 3;
    while (value < head.size() && head[value] == ' ') ++value;
    return head.substr(value, head.find("\r\n", value) - value);
}

std::string base64(const std::string& text) {
    static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < text.size(); i += 3) {
        const std::size_t left = text.size() - i;
        unsigned value = static_cast<unsigned char>(text[i]) << 16;
        if (left > 1) value |= static_cast<unsigned char>(text[i + 1]) << 8;
        if (left > 2) value |= static_cast<unsigned char>(text[i + 2]);
        out += kDigits[value >> 18 & 63];
        out += kDigits[value >> 12 & 63];
        out += left > 1 ? kDigits[value >> 6 & 63] : '=';
        out += left > 2 ? kDigits[value & 63] : '=';
    }
    return out;
}

}  // namespace

// One accepted connection, plain or TLS.
class PageServer::Connection {
public:
    Connection(int socket, SSL_CTX* tls) : socket_(socket) {
        ::setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, &kReceiveTimeout, sizeof kReceiveTimeout);
        if (!tls) return;
        ssl_ = SSL_new(tls);
        SSL_set_fd(ssl_, socket_);
        if (SSL_accept(ssl_) != 1) broken_ = true;
    }
    ~Connection() {
        if (ssl_) {
            if (!broken_) SSL_shutdown(ssl_);
            SSL_free(ssl_);
        }
        ::close(socket_);
    }

    // Reads until the request head is complete; false when the peer stops first.
    bool readHead(std::string& head) {
        char buffer[4096];
        while (!broken_ && head.find("\r\n\r\n") == std::string::npos) {
            const long n = ssl_ ? SSL_read(ssl_, buffer, sizeof buffer) : ::recv(socket_, buffer, sizeof buffer, 0);
            if (n <= 0) return false;
            head.append(buffer, static_cast<std::size_t>(n));
        }
        return !broken_;
    }

    void write(const std::string& data) {
        if (ssl_) {
            SSL_write(ssl_, data.data(), static_cast<int>(data.size()));
            return;
        }
        for (std::size_t sent = 0; sent < data.size();) {
            const ssize_t n = ::send(socket_, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) return;
            sent += static_cast<std::size_t>(n);
        }
    }

private:
    const int socket_;
    SSL* ssl_ = nullptr;
    bool broken_ = false;
};

PageServer::PageServer(std::optional<TlsIdentity> tls) {
    if (tls) {
        tls_ = SSL_CTX_new(TLS_server_method());
        if (!tls_ || SSL_CTX_use_certificate_file(tls_, tls->certificateFile.c_str(), SSL_FILETYPE_PEM) != 1 ||
            SSL_CTX_use_PrivateKey_file(tls_, tls->keyFile.c_str(), SSL_FILETYPE_PEM) != 1) {
            SSL_CTX_free(tls_);
            throw std::runtime_error("cannot load the TLS identity");
        }
    }
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 64) != 0) {
        if (listener_ >= 0) ::close(listener_);
        SSL_CTX_free(tls_);
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
    SSL_CTX_free(tls_);
}

std::string PageServer::url(const std::string& path) const {
    return std::string(tls_ ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_) + path;
}

void PageServer::serve(const std::string& path, Page page) {
    std::lock_guard lock(mutex_);
    pages_.insert_or_assign(path, std::move(page));
}

void PageServer::requireProxyCredentials(const std::string& user, const std::string& password) {
    std::lock_guard lock(mutex_);
    requiredAuthorisation_ = "Basic " + base64(user + ":" + password);
}

int PageServer::authorisedRequests() const {
    std::lock_guard lock(mutex_);
    return authorisedRequests_;
}

int PageServer::requestCount() const {
    std::lock_guard lock(mutex_);
    return requestCount_;
}

void PageServer::acceptConnections() {
    while (!stopping_) {
        pollfd waiting{listener_, POLLIN, 0};
        if (::poll(&waiting, 1, kPollMilliseconds) <= 0) continue;
        const int socket = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (socket < 0) continue;
        // Only this thread touches the list until the destructor joins it.
        connections_.emplace_back([this, socket] {
            Connection connection(socket, tls_);
            answer(connection);
        });
    }
}

void PageServer::answer(Connection& connection) {
    std::string head;
    if (!connection.readHead(head)) return;
    const auto [answer, stalls] = response(head);
    connection.write(answer);
    while (stalls && !stopping_) std::this_thread::sleep_for(std::chrono::milliseconds(kPollMilliseconds));
}

std::pair<std::string, bool> PageServer::response(const std::string& head) {
    std::lock_guard lock(mutex_);
    ++requestCount_;
    if (!requiredAuthorisation_.empty()) {
        if (headerValue(head, "proxy-authorization") != requiredAuthorisation_) {
            return {"HTTP/1.1 407 Proxy Authentication Required\r\nProxy-Authenticate: Basic realm=\"veltrane\"\r\n"
                    "Content-Length: 0\r\nConnection: close\r\n\r\n",
                    false};
        }
        ++authorisedRequests_;
    }
    const auto found = pages_.find(requestPath(head));
    const bool known = found != pages_.end();
    const Page page = known ? found->second : Page("text/plain", "no such page");
    const std::string body = page.stallAfter ? page.body.substr(0, *page.stallAfter) : page.body;
    return {std::string("HTTP/1.1 ") + (known ? "200 OK" : "404 Not Found") + "\r\nContent-Type: " +
                page.contentType + "\r\nContent-Length: " + std::to_string(page.body.size()) +
                "\r\nConnection: close\r\n\r\n" + body,
            page.stallAfter.has_value()};
}

}  // namespace veltrane_render
