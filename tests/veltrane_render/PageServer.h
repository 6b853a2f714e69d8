#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace veltrane_render {

struct Page {
    std::string contentType = "text/html";
    std::string body;
};

// An HTTP/1.1 server on 127.0.0.1 that serves fixed pages by path, one thread per connection, every answer
// closing its connection. Unknown paths get 404.
class PageServer {
public:
    PageServer();
    ~PageServer();
    PageServer(const PageServer&) = delete;
    PageServer& operator=(const PageServer&) = delete;

    // "http://127.0.0.1:<port>" followed by path.
    std::string url(const std::string& path) const;
    void serve(const std::string& path, Page page);

private:
    void acceptConnections();
    void answer(int connection);

    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::map<std::string, Page> pages_;
    std::vector<std::thread> connections_;
    std::thread acceptor_;
};

}  // namespace veltrane_render
