#pragma once
// A scriptable HTTP peer for tests: listens on 127.0.0.1 on a free port and
// plays one script per accepted connection (read a request, send canned
// bytes, pause, close). Every wait is bounded and the destructor stops and
// joins everything it started.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace veltod::test {

struct ServerStep {
    enum Kind { ReadRequest, Send, Pause, Close, SendForever } kind;
    std::string bytes;
    int milliseconds = 0;
};

inline ServerStep ReadRequest() { return {ServerStep::ReadRequest, {}, 0}; }
inline ServerStep Send(std::string bytes) { return {ServerStep::Send, std::move(bytes), 0}; }
inline ServerStep Pause(int milliseconds) { return {ServerStep::Pause, {}, milliseconds}; }
inline ServerStep CloseConnection() { return {ServerStep::Close, {}, 0}; }
// Sends the bytes again and again until the client goes away (bounded in time).
inline ServerStep SendForever(std::string bytes) { return {ServerStep::SendForever, std::move(bytes), 0}; }

using ServerScript = std::vector<ServerStep>;

// A socket listening on 127.0.0.1 at a port the system picks, for the test
// servers; closed with the object.
class LoopbackListener {
public:
    explicit LoopbackListener(const std::string& who) : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const int on = 1;
        ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(fd_, 16) != 0) {
            if (fd_ >= 0) ::close(fd_);
            throw std::runtime_error(who + " cannot listen on 127.0.0.1");
        }
        socklen_t length = sizeof address;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
    }
    ~LoopbackListener() { ::close(fd_); }
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    int Port() const { return port_; }
    // A connection that came within the milliseconds given, or -1.
    int Accept(int milliseconds) const {
        pollfd entry{fd_, POLLIN, 0};
        if (::poll(&entry, 1, milliseconds) <= 0) return -1;
        return ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
    }

private:
    int fd_;
    int port_ = 0;
};

// Accepts connections on a thread of its own and serves each on a thread of
// its own, at most max_handlers of them (later ones are closed at once).
// Stop, or the destructor, ends the accepting and joins every thread.
class ConnectionThreads {
public:
    // serve(connection, index): index counts every connection accepted.
    using Serve = std::function<void(int connection, int index)>;

    ConnectionThreads(const LoopbackListener& listener, size_t max_handlers) : listener_(listener), max_(max_handlers) {}
    ~ConnectionThreads() { Stop(); }
    ConnectionThreads(const ConnectionThreads&) = delete;
    ConnectionThreads& operator=(const ConnectionThreads&) = delete;

    // Accepts until Stop, or until expired() says so.
    void Start(Serve serve, std::function<bool()> expired) {
        serve_ = std::move(serve);
        expired_ = std::move(expired);
        acceptor_ = std::thread([this] { AcceptLoop(); });
    }
    void Stop() {
        stop_ = true;
        if (acceptor_.joinable()) acceptor_.join();
        for (std::thread& handler : handlers_) handler.join();
        handlers_.clear();
    }
    int Accepted() const { return accepted_; }

private:
    static constexpr int kSliceMs = 20;

    void AcceptLoop() {
        while (!stop_ && !expired_()) {
            const int connection = listener_.Accept(kSliceMs);
            if (connection < 0) continue;
            const int index = accepted_++;
            if (handlers_.size() >= max_) {
                ::close(connection);
                continue;
            }
            handlers_.emplace_back([this, connection, index] { serve_(connection, index); });
        }
    }

    const LoopbackListener& listener_;
    const size_t max_;
    Serve serve_;
    std::function<bool()> expired_;
    std::atomic<bool> stop_{false};
    std::atomic<int> accepted_{0};
    std::thread acceptor_;
    std::vector<std::thread> handlers_;
};

class LoopbackServer {
public:
    // Connections beyond the scripts given play `fallback` (by default: read
    // the request and close).
    explicit LoopbackServer(std::vector<ServerScript> scripts, ServerScript fallback = {ReadRequest(), CloseConnection()})
        : scripts_(std::move(scripts)), fallback_(std::move(fallback)), listener_("test server") {
        threads_.Start(
            [this](int connection, int index) {
                Play(connection, index < static_cast<int>(scripts_.size()) ? scripts_[index] : fallback_);
            },
            [this] { return Expired(); });
    }

    ~LoopbackServer() {
        stop_ = true;
        threads_.Stop();
    }

    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    int Port() const { return listener_.Port(); }
    std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(Port()) + path; }

    // Request heads received so far, in order, exactly as they came.
    std::vector<std::string> Requests() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }
    int Connections() const { return threads_.Accepted(); }

private:
    static constexpr int kSliceMs = 20;
    static constexpr auto kMaxLife = std::chrono::seconds(20);

    bool Expired() const { return stop_ || std::chrono::steady_clock::now() - started_ > kMaxLife; }


    // Waits for bytes; false once the peer closed or time ran out.
    bool WaitReadable(int connection, int milliseconds) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        while (!Expired() && std::chrono::steady_clock::now() < until) {
            pollfd entry{connection, POLLIN, 0};
            if (::poll(&entry, 1, kSliceMs) > 0) return true;
        }
        return false;
    }

    void Play(int connection, const ServerScript& script) {
        std::string pending;
        bool open = true;
        for (const ServerStep& step : script) {
            if (!open || Expired()) break;
            switch (step.kind) {
                case ServerStep::ReadRequest: {
                    size_t end;
                    while ((end = pending.find("\r\n\r\n")) == std::string::npos) {
                        char block[4096];
                        if (!WaitReadable(connection, 5000)) {
                            open = false;
                            break;
                        }
                        const ssize_t got = ::recv(connection, block, sizeof block, 0);
                        if (got <= 0) {
                            open = false;
                            break;
                        }
                        pending.append(block, static_cast<size_t>(got));
                    }
                    if (!open) break;
                    std::lock_guard<std::mutex> lock(mutex_);
                    requests_.push_back(pending.substr(0, end + 4));
                    pending.erase(0, end + 4);
                    break;
                }
                case ServerStep::Send:
                    if (!SendAll(connection, step.bytes)) open = false;
                    break;
                case ServerStep::Pause: {
                    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(step.milliseconds);
                    while (!Expired() && std::chrono::steady_clock::now() < until)
                        std::this_thread::sleep_for(std::chrono::milliseconds(5));
                    break;
                }
                case ServerStep::Close:
                    open = false;
                    break;
                case ServerStep::SendForever:
                    while (!Expired() && SendAll(connection, step.bytes)) {
                    }
                    open = false;
                    break;
            }
        }
        // A script that does not close keeps the connection until the client
        // closes it or the server stops.
        while (open && !Expired()) {
            pollfd entry{connection, POLLIN, 0};
            if (::poll(&entry, 1, kSliceMs) > 0) {
                char block[4096];
                if (::recv(connection, block, sizeof block, 0) <= 0) break;
            }
        }
        ::close(connection);
    }

    bool SendAll(int connection, const std::string& bytes) {
        size_t sent = 0;
        while (sent < bytes.size()) {
            pollfd entry{connection, POLLOUT, 0};
            if (Expired()) return false;
            if (::poll(&entry, 1, kSliceMs) <= 0) continue;
            const ssize_t done = ::send(connection, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (done <= 0) return false;
            sent += static_cast<size_t>(done);
        }
        return true;
    }

    std::vector<ServerScript> scripts_;
    ServerScript fallback_;
    LoopbackListener listener_;
    std::atomic<bool> stop_{false};
    const std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
    ConnectionThreads threads_{listener_, 64};
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
};

}  // namespace veltod::test
