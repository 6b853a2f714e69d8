#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

typedef struct ssl_ctx_st SSL_CTX;

namespace veltrane_render {

struct Page {
    Page(std::string contentType, std::string body, std::optional<std::size_t> stallAfter = std::nullopt)
        : contentType(std::move(contentType)), body(std::move(body)), stallAfter(stallAfter) {}

    std::string contentType;
    std::string body;
    // When set, only this many body bytes are sent; the rest never comes while the server runs.
    std::optional<std::size_t> stallAfter;
};

// Files of the certificate (PEM) and private key a TLS server presents.
struct TlsIdentity {
    std::string certificateFile;
    std::string keyFile;
};

// An HTTP/1.1 server on 127.0.0.1 (HTTPS with a TLS identity) that serves fixed pages by path, one thread per
// connection, every answer closing its connection. Unknown paths get 404. It also takes requests for absolute
// URLs, as a proxy does, and can demand proxy credentials.
class PageServer {
public:
    explicit PageServer(std::optional<TlsIdentity> tls = std::nullopt);
    ~PageServer();
    PageServer(const PageServer&) = delete;
    PageServer& operator=(const PageServer&) = delete;

    // "http://127.0.0.1:<port>" (or https) followed by path.
    std::string url(const std::string& path) const;
    int port() const { return port_; }
    void serve(const std::string& path, Page page);
    // Requests without these Basic proxy credentials get 407.
    void requireProxyCredentials(const std::string& user, const std::string& password);
    // How many requests came with the required credentials, and how many came at all.
    int authorisedRequests() const;
    int requestCount() const;

private:
    class Connection;
    void acceptConnections();
    void answer(Connection& connection);
    // The answer to a request, and whether it stalls.
    std::pair<std::string, bool> response(const std::string& head);

    SSL_CTX* tls_ = nullptr;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::map<std::string, Page> pages_;
    std::string requiredAuthorisation_;
    int authorisedRequests_ = 0;
    int requestCount_ = 0;
    std::vector<std::thread> connections_;
    std::thread acceptor_;
};

}  // namespace veltrane_render
