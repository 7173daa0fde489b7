#pragma once
// A mirror that misbehaves on purpose, for tests: serves the files of a
// published mirror tree (held in memory) on 127.0.0.1 as a proxy would, so
// every address an update run asks for reaches it, and answers the requests
// whose path begins with a chosen prefix in one hostile way. A HEAD answers
// with a date (or, per mode, without one or with an old one). Every
// connection is closed after its answer; the destructor stops and joins
// every thread it started.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "support/loopback_server.h"

namespace veltod::test {

enum class Misbehaviour {
    None,
    Replace,           // the body is what Transform makes of the sound one
    Truncate,          // the full length announced, half the body sent, then close
    EndlessBody,       // a body without length that never ends
    HugeHeaderLine,    // a header line of 1 MiB
    HugeChunkSize,     // a chunk size of 40 hexadecimal digits
    RedirectLoop,      // redirects to itself, for ever
    Drip,              // the sound answer, one byte every 50 ms
    ResetAfterStatus,  // the status line, then a reset
    Http10,            // HTTP/1.0 without a length: the body ends with the close
    HeadWithoutDate,   // a HEAD answer without a Date header
    HeadDated2001,     // a HEAD answer dated January 2001
};

struct Hostility {
    Misbehaviour how = Misbehaviour::None;
    std::string prefix;  // paths it applies to ("" for all)
    std::function<std::string(const std::string& path, const std::string& sound)> transform;
};

class HostileMirror {
public:
    // Serves every file below folder; head_date is the Date of sound HEAD answers.
    HostileMirror(const std::filesystem::path& folder, std::string head_date) : head_date_(std::move(head_date)) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
            if (!entry.is_regular_file()) continue;
            std::ifstream in(entry.path(), std::ios::binary);
            files_[entry.path().lexically_relative(folder).generic_string()] = {std::istreambuf_iterator<char>(in),
                                                                                 std::istreambuf_iterator<char>()};
        }
        threads_.Start(
            [this](int connection, int) {
                Serve(connection);
                ::close(connection);
            },
            [this] { return stop_.load(); });
    }
    ~HostileMirror() {
        stop_ = true;
        threads_.Stop();
    }
    HostileMirror(const HostileMirror&) = delete;
    HostileMirror& operator=(const HostileMirror&) = delete;

    int Port() const { return listener_.Port(); }
    const std::string& File(const std::string& path) const { return files_.at(path); }
    void Behave(Hostility hostility) {
        std::lock_guard<std::mutex> lock(mutex_);
        hostility_ = std::move(hostility);
    }

private:
    static constexpr int kSliceMs = 20;

    Hostility Current() {
        std::lock_guard<std::mutex> lock(mutex_);
        return hostility_;
    }

    // The request head, bounded in size and time; empty when none came.
    std::string ReadHead(int connection) {
        std::string head;
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
            if (stop_ || std::chrono::steady_clock::now() > until) return {};
            pollfd entry{connection, POLLIN, 0};
            if (::poll(&entry, 1, kSliceMs) <= 0) continue;
            char block[4096];
            const ssize_t got = ::recv(connection, block, sizeof block, 0);
            if (got <= 0) return {};
            head.append(block, static_cast<size_t>(got));
        }
        return head;
    }

    void Serve(int connection) {
        const std::string head = ReadHead(connection);
        if (head.empty()) return;
        const std::string line = head.substr(0, head.find("\r\n"));
        const std::string method = line.substr(0, line.find(' '));
        std::string target = line.substr(method.size() + 1);
        target = target.substr(0, target.find(' '));
        // A proxy's request names the whole address; the path is what follows the host.
        if (target.rfind("http://", 0) == 0) {
            const size_t slash = target.find('/', 7);
            target = slash == std::string::npos ? "/" : target.substr(slash);
        }
        const std::string path = target.substr(1);
        const Hostility hostility = Current();
        const bool hostile = hostility.how != Misbehaviour::None && path.rfind(hostility.prefix, 0) == 0;

        if (method == "HEAD") {
            std::string date = "Date: " + head_date_ + "\r\n";
            if (hostile && hostility.how == Misbehaviour::HeadWithoutDate) date.clear();
            if (hostile && hostility.how == Misbehaviour::HeadDated2001)
                date = "Date: Mon, 01 Jan 2001 10:00:00 GMT\r\n";
            SendAll(connection, "HTTP/1.1 200 OK\r\n" + date + "Content-Length: 0\r\nConnection: close\r\n\r\n");
            return;
        }
        const auto file = files_.find(path);
        if (file == files_.end()) {
            SendAll(connection, "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
            return;
        }
        const std::string& body = file->second;
        const std::string sound = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) +
                                  "\r\nConnection: close\r\n\r\n" + body;
        switch (hostile ? hostility.how : Misbehaviour::None) {
            case Misbehaviour::Replace: {
                const std::string replaced = hostility.transform(path, body);
                SendAll(connection, "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(replaced.size()) +
                                        "\r\nConnection: close\r\n\r\n" + replaced);
                break;
            }
            case Misbehaviour::Truncate:
                SendAll(connection, sound.substr(0, sound.size() - body.size() / 2));
                break;
            case Misbehaviour::EndlessBody: {
                if (!SendAll(connection, "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n")) break;
                const std::string block(65536, 'x');
                while (SendAll(connection, block)) {
                }
                break;
            }
            case Misbehaviour::HugeHeaderLine:
                SendAll(connection, "HTTP/1.1 200 OK\r\nX-Padding: " + std::string(size_t{1} << 20, 'a') + "\r\n" +
                                        sound.substr(sound.find("\r\n") + 2));
                break;
            case Misbehaviour::HugeChunkSize:
                SendAll(connection, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n" +
                                        std::string(40, 'f') + "\r\n" + body);
                break;
            case Misbehaviour::RedirectLoop:
                SendAll(connection, "HTTP/1.1 302 Found\r\nLocation: " + target +
                                        "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
                break;
            case Misbehaviour::Drip:
                for (char byte : sound) {
                    if (!SendAll(connection, std::string(1, byte))) break;
                    for (int slice = 0; slice < 10 && !stop_; ++slice)
                        std::this_thread::sleep_for(std::chrono::milliseconds(5));
                }
                break;
            case Misbehaviour::ResetAfterStatus: {
                SendAll(connection, "HTTP/1.1 200 OK\r\n");
                const linger reset{1, 0};
                ::setsockopt(connection, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
                break;
            }
            case Misbehaviour::Http10:
                SendAll(connection, "HTTP/1.0 200 OK\r\n\r\n" + body);
                break;
            default:
                SendAll(connection, sound);
                break;
        }
    }

    // False once the peer went away or the server stops.
    bool SendAll(int connection, const std::string& bytes) {
        size_t sent = 0;
        while (sent < bytes.size()) {
            if (stop_) return false;
            pollfd entry{connection, POLLOUT, 0};
            if (::poll(&entry, 1, kSliceMs) <= 0) continue;
            const ssize_t done = ::send(connection, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (done <= 0) return false;
            sent += static_cast<size_t>(done);
        }
        return true;
    }

    std::map<std::string, std::string> files_;
    std::string head_date_;
    LoopbackListener listener_{"hostile mirror"};
    std::atomic<bool> stop_{false};
    ConnectionThreads threads_{listener_, 512};
    std::mutex mutex_;
    Hostility hostility_;
};

}  // namespace veltod::test
