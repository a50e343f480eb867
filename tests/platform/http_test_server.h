// A tiny HTTP/1.0-style server on 127.0.0.1 for tests: it runs on its own thread,
// answers each request with the canned bytes of its path (connection closed after the
// answer), and stops when it is destroyed or, at the latest, after a minute.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace xlt::testing {

class TestHttpServer {
public:
    struct Reply {
        std::string bytes;    // the whole response, status line and headers included
        bool silent = false;  // accept the request and never answer
    };

    // A complete response with Content-Length and "Connection: close".
    static Reply reply(int status, std::string_view body, std::string_view extra_headers = "") {
        std::string r = "HTTP/1.1 " + std::to_string(status) + " Test\r\n";
        r += "Content-Length: " + std::to_string(body.size()) + "\r\n";
        r += extra_headers;
        r += "Connection: close\r\n\r\n";
        r += body;
        return Reply{r, false};
    }
    static Reply silence() { return Reply{"", true}; }

    explicit TestHttpServer(std::map<std::string, Reply> routes) : routes_(std::move(routes)) {
        // The tests talk to 127.0.0.1 directly, whatever proxy the environment names.
        for (const char* name :
             {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "ALL_PROXY", "all_proxy"}) {
            unsetenv(name);
        }
        listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = 0;
        socklen_t len = sizeof addr;
        if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&addr), len) != 0 ||
            listen(listener_, 16) != 0 ||
            getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
            std::abort();
        }
        port_ = ntohs(addr.sin_port);
        thread_ = std::thread([this] { serve(); });
    }

    ~TestHttpServer() {
        stop_ = true;
        thread_.join();
        close(listener_);
    }

    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    int port() const { return port_; }

    std::string url(std::string_view path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
    }

    // The request targets received so far, as sent on the request line.
    std::vector<std::string> targets() const {
        std::lock_guard lock(mutex_);
        return targets_;
    }

    // A port on 127.0.0.1 where nothing listens (bound, then released at once).
    static int closed_port() {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        bind(fd, reinterpret_cast<sockaddr*>(&addr), len);
        getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
        close(fd);
        return ntohs(addr.sin_port);
    }

private:
    void serve() {
        using Clock = std::chrono::steady_clock;
        const auto give_up = Clock::now() + std::chrono::minutes(1);
        std::vector<int> held;  // connections of silent routes, closed when stopping
        while (!stop_ && Clock::now() < give_up) {
            pollfd p{listener_, POLLIN, 0};
            if (poll(&p, 1, 20) <= 0) {
                continue;
            }
            const int conn = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (conn < 0) {
                continue;
            }
            const std::string target = read_target(conn);
            {
                std::lock_guard lock(mutex_);
                targets_.push_back(target);
            }
            const auto route = routes_.find(target);
            const Reply r = route != routes_.end() ? route->second : reply(404, "");
            if (r.silent) {
                held.push_back(conn);
                continue;
            }
            write_all(conn, r.bytes);
            shutdown(conn, SHUT_WR);
            close(conn);
        }
        for (const int fd : held) {
            close(fd);
        }
    }

    // Reads the request head (bounded in size and time) and returns its target.
    std::string read_target(int conn) {
        std::string head;
        char buf[1024];
        for (int waits = 0;
             waits < 100 && head.find("\r\n\r\n") == std::string::npos && head.size() < 65536;
             ++waits) {
            pollfd p{conn, POLLIN, 0};
            if (poll(&p, 1, 20) <= 0) {
                continue;
            }
            const ssize_t n = read(conn, buf, sizeof buf);
            if (n <= 0) {
                break;
            }
            head.append(buf, static_cast<std::size_t>(n));
        }
        const std::size_t first = head.find(' ');
        const std::size_t second = head.find(' ', first + 1);
        if (first == std::string::npos || second == std::string::npos) {
            return "";
        }
        return head.substr(first + 1, second - first - 1);
    }

    static void write_all(int conn, std::string_view bytes) {
        while (!bytes.empty()) {
            const ssize_t n = send(conn, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (n <= 0) {
                return;
            }
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
    }

    const std::map<std::string, Reply> routes_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> targets_;
    std::thread thread_;
};

}  // namespace xlt::testing
