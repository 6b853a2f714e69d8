#pragma once

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace harlowen_test {

struct CannedResponse {
    CannedResponse() = default;
    CannedResponse(int status, std::string body, std::string contentType = "application/octet-stream")
        : status(status), body(std::move(body)), contentType(std::move(contentType)) {}

    int status = 200;
    std::string body;
    std::string contentType = "application/octet-stream";
    // Extra header lines, e.g. "Location: /elsewhere". A Content-Length among them replaces the body's own.
    std::vector<std::string> headers;
    // Says nothing at all for this long (or until the client gives up).
    std::chrono::milliseconds holdBeforeReply{0};
    // Sends the headers and only this many body bytes, then stalls until the client gives up.
    std::optional<size_t> stallAfter;
    // Sends the headers and only this many body bytes, then closes the connection.
    std::optional<size_t> closeAfter;
    // Declares no length and repeats the body until the client gives up or this many bytes are out.
    std::optional<size_t> repeatUpTo;
    // Sends the body one byte per interval.
    std::chrono::milliseconds dripInterval{0};
};

struct RecordedRequest {
    std::string method;
    std::string target;  // as sent: a path, or an absolute URL when sent to a proxy
    std::string path;    // without scheme, host and query
    std::map<std::string, std::string> headers;  // names in lower case
    std::string body;
};

// An HTTP/1.1 server on 127.0.0.1 with canned answers per path, one connection at a time, on its own thread.
// It also accepts proxy-style absolute URLs, so it can stand in for a proxy.
class HttpTestServer {
public:
    HttpTestServer();
    ~HttpTestServer();
    HttpTestServer(const HttpTestServer&) = delete;
    HttpTestServer& operator=(const HttpTestServer&) = delete;

    std::string url() const;
    void serve(const std::string& path, CannedResponse response);
    std::vector<RecordedRequest> requests() const;
    size_t requestCount(const std::string& path) const;
    // Waits until a request for the path has arrived; false after the timeout.
    bool waitForRequest(const std::string& path, std::chrono::milliseconds timeout) const;

private:
    void run();
    void handle(int connection);
    // Waits until the client closes, the server stops or the time is up.
    void holdConnection(int connection, std::chrono::milliseconds limit) const;
    void sendRepeated(int connection, const std::string& body, size_t limit) const;
    void drip(int connection, const std::string& body, std::chrono::milliseconds interval) const;

    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::map<std::string, CannedResponse> routes_;
    std::vector<RecordedRequest> requests_;
    std::thread thread_;
};

}  // namespace harlowen_test
