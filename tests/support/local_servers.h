#pragma once
// Real HTTP peers from Debian's packages, for tests and benchmarks: nginx
// serving a folder and tinyproxy with Basic authorisation, each on its own
// free port of 127.0.0.1, with its own configuration, pid and log files in a
// scratch folder. Each runs in the foreground as our child and is stopped
// (and waited for) by its destructor. A server that cannot start throws.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace veltod::test {

// A port that was free a moment ago on 127.0.0.1.
inline int FreeLoopbackPort() {
    const int probe = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (probe < 0 || ::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (probe >= 0) ::close(probe);
        throw std::runtime_error("no free port on 127.0.0.1");
    }
    ::close(probe);
    return ntohs(address.sin_port);
}

inline bool PortAnswers(int port) {
    const int probe = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    const bool answered = ::connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(probe);
    return answered;
}

inline std::string FindProgram(const std::string& name) {
    for (const char* folder : {"/usr/sbin/", "/usr/bin/", "/sbin/", "/bin/", "/usr/local/sbin/", "/usr/local/bin/"}) {
        const std::string path = folder + name;
        if (::access(path.c_str(), X_OK) == 0) return path;
    }
    throw std::runtime_error(name + " is not installed (scripts/install-deps.sh installs it)");
}

// A scratch folder readable by everyone (nginx's workers run as nobody).
class ScratchFolder {
public:
    ScratchFolder() {
        char pattern[] = "/tmp/veltod-peer-XXXXXX";
        if (!::mkdtemp(pattern)) throw std::runtime_error("cannot make a scratch folder");
        path_ = pattern;
        ::chmod(path_.c_str(), 0755);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

// A child program in the foreground; stopped with SIGTERM, then SIGKILL.
class ChildServer {
public:
    ChildServer(const std::vector<std::string>& arguments, int port, const std::filesystem::path& log) {
        pid_ = ::fork();
        if (pid_ < 0) throw std::runtime_error("fork failed");
        if (pid_ == 0) {
            const int sink = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
            if (sink >= 0) {
                ::dup2(sink, 1);
                ::dup2(sink, 2);
            }
            std::vector<char*> argv;
            for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        // Ready when the port answers; bounded to about ten seconds.
        for (int attempt = 0; attempt < 200; ++attempt) {
            if (PortAnswers(port)) return;
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                throw std::runtime_error(arguments[0] + " exited at start; see " + log.string() + ": " + ReadLog(log));
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        Stop();
        throw std::runtime_error(arguments[0] + " did not open port " + std::to_string(port));
    }
    ~ChildServer() { Stop(); }
    ChildServer(const ChildServer&) = delete;
    ChildServer& operator=(const ChildServer&) = delete;

    void Stop() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        for (int attempt = 0; attempt < 100; ++attempt) {
            if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = -1;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    static std::string ReadLog(const std::filesystem::path& log) {
        std::ifstream in(log);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        return text.substr(0, 2000);
    }
    pid_t pid_ = -1;
};

// nginx serving `Root()` on 127.0.0.1:Port(); it also answers proxy-form
// requests from its default server.
class NginxServer {
public:
    NginxServer() : port_(FreeLoopbackPort()) {
        const auto& dir = folder_.Path();
        std::filesystem::create_directories(dir / "root");
        ::chmod((dir / "root").c_str(), 0755);
        std::ofstream(dir / "nginx.conf")
            << "worker_processes 1;\n"
            << "pid " << (dir / "nginx.pid").string() << ";\n"
            << "error_log " << (dir / "error.log").string() << ";\n"
            << "daemon off;\n"
            << "events { worker_connections 64; }\n"
            << "http {\n"
            << "  access_log off;\n"
            << "  client_body_temp_path " << (dir / "body").string() << ";\n"
            << "  proxy_temp_path " << (dir / "proxy").string() << ";\n"
            << "  fastcgi_temp_path " << (dir / "fastcgi").string() << ";\n"
            << "  uwsgi_temp_path " << (dir / "uwsgi").string() << ";\n"
            << "  scgi_temp_path " << (dir / "scgi").string() << ";\n"
            << "  default_type application/octet-stream;\n"
            << "  sendfile on;\n"
            << "  server { listen 127.0.0.1:" << port_ << " default_server; root " << (dir / "root").string() << "; }\n"
            << "}\n";
        server_ = std::make_unique<ChildServer>(
            std::vector<std::string>{FindProgram("nginx"), "-p", dir.string(), "-e", (dir / "error.log").string(), "-c",
                                     (dir / "nginx.conf").string()},
            port_, dir / "console.log");
    }

    int Port() const { return port_; }
    std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
    const std::filesystem::path Root() const { return folder_.Path() / "root"; }

    // A world-readable file under the served folder.
    void Put(const std::string& name, const std::string& bytes) const {
        const auto path = Root() / name;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
        ::chmod(path.c_str(), 0644);
    }

private:
    ScratchFolder folder_;
    int port_;
    std::unique_ptr<ChildServer> server_;
};

// tinyproxy on 127.0.0.1:Port(), requiring the given Basic credentials.
class TinyproxyServer {
public:
    TinyproxyServer(const std::string& user, const std::string& password) : port_(FreeLoopbackPort()) {
        const auto& dir = folder_.Path();
        std::ofstream(dir / "tinyproxy.conf") << "Port " << port_ << "\n"
                                              << "Listen 127.0.0.1\n"
                                              << "Timeout 30\n"
                                              << "MaxClients 16\n"
                                              << "Allow 127.0.0.1\n"
                                              << "BasicAuth " << user << " " << password << "\n"
                                              << "LogFile \"" << (dir / "tinyproxy.log").string() << "\"\n"
                                              << "LogLevel Info\n"
                                              << "DisableViaHeader Yes\n";
        server_ = std::make_unique<ChildServer>(
            std::vector<std::string>{FindProgram("tinyproxy"), "-d", "-c", (dir / "tinyproxy.conf").string()}, port_,
            dir / "console.log");
    }

    int Port() const { return port_; }

private:
    ScratchFolder folder_;
    int port_;
    std::unique_ptr<ChildServer> server_;
};

}  // namespace veltod::test
