#pragma once

// A scripted TCP server on 127.0.0.1 for the replies a real FTP server cannot
// be made to give (multi-line greetings, refusals, a server that dies or never
// answers). It runs its script on its own thread with blocking sockets, while
// the client under test runs its event loop on the test's thread. Every
// blocking call is bounded, so a failing test ends instead of hanging.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orvane::net::test {

class ScriptedServer;

// One connection as the script sees it.
class ScriptedPeer {
public:
    ScriptedPeer(int fd, ScriptedServer& server) : fd_(fd), server_(server) {}
    ~ScriptedPeer() { close(); }
    ScriptedPeer(const ScriptedPeer&) = delete;
    ScriptedPeer& operator=(const ScriptedPeer&) = delete;

    // Sends all bytes (or as many as the client takes before it goes away).
    void send(const std::string& bytes) {
        size_t done = 0;
        while (fd_ >= 0 && done < bytes.size()) {
            const ssize_t n = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            if (n <= 0) {
                if (n < 0 && errno == EINTR) continue;
                return;
            }
            done += static_cast<size_t>(n);
        }
    }

    // The next line without CR LF, recorded in the server's log; "" when the
    // client closed or nothing came within `timeoutMs`.
    std::string readLine(int timeoutMs = 5000);

    // Closes with a reset (RST) instead of an orderly close.
    void reset() {
        if (fd_ < 0) return;
        linger lg{1, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &lg, sizeof lg);
        close();
    }

    void close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

    // Waits (bounded) until the client closes its end.
    void waitForClose(int timeoutMs = 5000) {
        while (!readLine(timeoutMs).empty() || lineWasEmpty_) {
        }
    }

    // Opens the data connection a "PORT a,b,c,d,p1,p2" line asks for.
    std::unique_ptr<ScriptedPeer> connectToPort(const std::string& portLine) {
        unsigned a, b, c, d, p1, p2;
        if (std::sscanf(portLine.c_str(), "PORT %u,%u,%u,%u,%u,%u", &a, &b, &c, &d, &p1, &p2) != 6) return nullptr;
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<uint16_t>(p1 * 256 + p2));
        addr.sin_addr.s_addr = htonl((a << 24) | (b << 16) | (c << 8) | d);
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
            ::close(fd);
            return nullptr;
        }
        return std::make_unique<ScriptedPeer>(fd, server_);
    }

private:
    int fd_;
    ScriptedServer& server_;
    std::string pending_;
    bool lineWasEmpty_ = false;  // the last readLine() got an empty line, not an end
};

class ScriptedServer {
public:
    using Script = std::function<void(ScriptedPeer& control)>;

    // Listens on 127.0.0.1 at a free port; the script runs for the first
    // connection.
    explicit ScriptedServer(Script script) {
        listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listenFd_, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
        ::listen(listenFd_, 4);
        socklen_t len = sizeof addr;
        ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        thread_ = std::thread([this, script = std::move(script)] {
            pollfd p{listenFd_, POLLIN, 0};
            int ready = 0;
            for (int slice = 0; slice < 100 && ready <= 0 && !stop_; ++slice) ready = ::poll(&p, 1, 50);
            if (ready <= 0 || stop_) return;
            const int fd = ::accept(listenFd_, nullptr, nullptr);
            if (fd < 0) return;
            ScriptedPeer peer(fd, *this);
            script(peer);
        });
    }

    ~ScriptedServer() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        ::close(listenFd_);
    }

    int port() const { return port_; }
    bool stopping() const { return stop_; }

    // Every line the script read, in order (safe to call at any time).
    std::vector<std::string> lines() {
        std::lock_guard lock(mutex_);
        return lines_;
    }
    void record(const std::string& line) {
        std::lock_guard lock(mutex_);
        lines_.push_back(line);
    }
    // Waits for the script to end (bounded by its own time-outs).
    void join() {
        if (thread_.joinable()) thread_.join();
    }

private:
    int listenFd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<std::string> lines_;
    std::thread thread_;
};

inline std::string ScriptedPeer::readLine(int timeoutMs) {
    lineWasEmpty_ = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto lf = pending_.find('\n');
        if (lf != std::string::npos) {
            std::string line = pending_.substr(0, lf);
            pending_.erase(0, lf + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            server_.record(line);
            lineWasEmpty_ = line.empty();
            return line;
        }
        if (fd_ < 0 || server_.stopping()) return {};
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return {};
        pollfd p{fd_, POLLIN, 0};
        // Short slices, so that a stopping server notices at once.
        if (::poll(&p, 1, static_cast<int>(std::min<long long>(left.count(), 50))) <= 0) continue;
        char buffer[4096];
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n <= 0) return {};
        pending_.append(buffer, static_cast<size_t>(n));
    }
}

// ---- pieces of FTP scripts

// Greeting, USER, PASS: logged in.
inline void login(ScriptedPeer& c) {
    c.send("220 ready\r\n");
    c.readLine();
    c.send("331 send password\r\n");
    c.readLine();
    c.send("230 logged in\r\n");
}

inline void answerQuit(ScriptedPeer& c) {
    if (c.readLine() == "QUIT") c.send("221 bye\r\n");
}

// Reads PORT and RETR, answers them, lets `data` serve the data connection,
// then sends the transfer's closing reply.
inline void serveRetr(ScriptedPeer& c, const std::string& retrReply, const std::function<void(ScriptedPeer&)>& data,
                      const std::string& finalReply) {
    const std::string port = c.readLine();
    c.send("200 PORT ok\r\n");
    c.readLine();  // RETR
    c.send(retrReply);
    if (auto conn = c.connectToPort(port)) data(*conn);
    c.send(finalReply);
}

// Opens a multi-line reply with `opener` ("220-Welcome") and never closes
// it: a continuation line every 25 ms keeps any time-out of silence from
// running out, for at most 20 s.
inline void trickle(ScriptedPeer& c, const std::string& opener) {
    c.send(opener + "\r\n");
    for (int i = 0; i < 800; ++i) {
        c.send(" still here\r\n");
        c.readLine(25);  // a bounded pause; ends at once when the client has gone
    }
}

// A port on 127.0.0.1 where nothing listens (bound, then released).
inline int unusedLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    ::close(fd);
    return ntohs(addr.sin_port);
}

}  // namespace orvane::net::test
