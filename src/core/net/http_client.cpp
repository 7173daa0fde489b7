#include "core/net/http_client.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

#include "core/net/base64.h"
#include "core/platform/seams.h"

namespace veltod {

namespace {

using SteadyClock = std::chrono::steady_clock;

// Window messages are processed at least this often while data flows.
constexpr auto kPumpEvery = std::chrono::milliseconds(100);

const char kNotConnected[] = "Not connected.";

std::string SocketErrorText(int error) { return std::strerror(error); }

// A host-name lookup that runs in the background while the caller keeps
// pumping. One that cannot be cancelled is kept until it finishes.
struct PendingLookup {
    gaicb request{};
    addrinfo hints{};
    std::string host;
    std::string service;
};

std::vector<std::unique_ptr<PendingLookup>>& AbandonedLookups() {
    static std::vector<std::unique_ptr<PendingLookup>> lookups;
    return lookups;
}

void ReapAbandonedLookups() {
    auto& lookups = AbandonedLookups();
    for (auto it = lookups.begin(); it != lookups.end();) {
        if (gai_error(&(*it)->request) == EAI_INPROGRESS) {
            ++it;
            continue;
        }
        if ((*it)->request.ar_result) freeaddrinfo((*it)->request.ar_result);
        it = lookups.erase(it);
    }
}

struct AddrInfoDeleter {
    void operator()(addrinfo* list) const {
        if (list) freeaddrinfo(list);
    }
};

}  // namespace

std::string BuildRequest(const std::string& method, const HttpAddress& address, const HttpRequestSettings& settings) {
    const bool proxy = !settings.proxy_server.empty();
    std::string request;
    request.reserve(256);
    request += method;
    request += ' ';
    // A proxy needs the absolute address; the port stays in it, or the proxy
    // would go to port 80.
    if (proxy) request += address.Origin();
    request += address.path;
    request += address.document;
    request += " HTTP/1.1\r\n";
    request += "Host: " + address.host + "\r\n";
    request += "Accept: " + settings.accept + "\r\n";
    request += "User-Agent: " + settings.user_agent + "\r\n";
    if (proxy && !settings.proxy_user.empty())
        request += "Proxy-Authorization: Basic " + EncodeBase64(settings.proxy_user + ":" + settings.proxy_password) + "\r\n";
    request += "\r\n";
    return request;
}

class HttpClient::Source : public ByteSource {
public:
    explicit Source(HttpClient& client) : client_(client) {}

    size_t Receive(char* into, size_t capacity) override {
        for (;;) {
            client_.CheckAlive();
            const ssize_t got = ::recv(client_.fd_, into, capacity, 0);
            if (got > 0) {
                client_.received_ += static_cast<uint64_t>(got);
                if (SteadyClock::now() - client_.last_pump_ >= kPumpEvery) {
                    client_.Pump();
                    client_.CheckAlive();
                }
                return static_cast<size_t>(got);
            }
            if (got == 0) {
                client_.peer_closed_ = true;
                return 0;
            }
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                client_.Wait(POLLIN);
                continue;
            }
            const int error = errno;
            client_.peer_closed_ = true;
            throw NetworkError(SocketErrorText(error));
        }
    }

private:
    HttpClient& client_;
};

class HttpClient::Observer : public BodyObserver {
public:
    explicit Observer(HttpClient& client) : client_(client) {}
    void WorkBegin(uint64_t expected) override {
        if (client_.events_) client_.events_->OnWorkBegin(WorkMode::Read, expected);
    }
    void Work(uint64_t so_far) override {
        if (client_.events_) client_.events_->OnWork(WorkMode::Read, so_far);
    }
    void WorkEnd() override {
        if (client_.events_) client_.events_->OnWorkEnd(WorkMode::Read);
    }
    void ChunkStarted() override { client_.Status(HttpStatus::StatusText, "Chunk Started"); }

private:
    HttpClient& client_;
};

HttpClient::HttpClient() : source_(std::make_unique<Source>(*this)), reader_(std::make_unique<ResponseReader>(*source_)) {}

HttpClient::~HttpClient() {
    // The owner is going away: no events to it any more.
    if (fd_ >= 0) ::close(fd_);
}

void HttpClient::Head(const std::string& address) {
    DiscardSink nothing;
    Perform("HEAD", address, nothing);
}

std::string HttpClient::Get(const std::string& address) {
    std::string body;
    StringSink sink(body);
    Perform("GET", address, sink);
    return body;
}

void HttpClient::Get(const std::string& address, BodySink& sink) { Perform("GET", address, sink); }

bool HttpClient::Connected() {
    if (fd_ < 0) return false;
    if (peer_closed_) {
        Close();
        return false;
    }
    return true;
}

void HttpClient::Disconnect() {
    const bool already_aborted = aborted_;
    if (busy_) aborted_ = true;
    if (fd_ >= 0 || !busy_) {
        Close();
        return;
    }
    if (already_aborted) return;  // raised once per request
    // A request still looking up its host holds no socket yet. It ends at its
    // next wait slice all the same, and the owner hears of the disconnect now,
    // as it would with a socket.
    Status(HttpStatus::Disconnected, "Not connected.");
    if (events_) events_->OnDisconnected();
}

void HttpClient::Status(HttpStatus status, const std::string& text) {
    if (events_) events_->OnStatus(status, text);
}

void HttpClient::Close() {
    if (fd_ < 0) return;
    // The socket is gone before any handler runs, so a handler that comes
    // back into the client finds it closed.
    ::close(fd_);
    fd_ = -1;
    ++generation_;
    peer_closed_ = false;
    reader_->DropBuffered();
    const std::string host = connected_host_;
    Status(HttpStatus::Disconnecting, "Disconnecting from " + host + ".");
    Status(HttpStatus::Disconnected, "Not connected.");
    if (events_) events_->OnDisconnected();
}

void HttpClient::CheckAlive() const {
    if (aborted_ || fd_ < 0 || generation_ != request_generation_) throw NetworkError(kNotConnected);
}

void HttpClient::Pump() {
    last_pump_ = SteadyClock::now();
    if (pump_) pump_();
}

void HttpClient::Wait(short events) {
    const auto start = SteadyClock::now();
    for (;;) {
        CheckAlive();
        pollfd entry{fd_, events, 0};
        const int ready = ::poll(&entry, 1, kWaitSliceMs);
        if (ready < 0 && errno != EINTR) throw NetworkError(SocketErrorText(errno));
        Pump();
        CheckAlive();
        if (ready > 0) return;
        if (idle_timeout_ms_ > 0 && SteadyClock::now() - start >= std::chrono::milliseconds(idle_timeout_ms_))
            throw NetworkError(SocketErrorText(ETIMEDOUT));
    }
}

bool HttpClient::StaleConnection() {
    if (peer_closed_ || reader_->HasBuffered()) return true;
    // Readable while idle means the server closed it, or sent bytes nobody
    // asked for: either way the connection cannot carry the next request.
    pollfd entry{fd_, POLLIN, 0};
    return ::poll(&entry, 1, 0) != 0;
}

addrinfo* HttpClient::Resolve(const std::string& host, int port, bool numeric) {
    ReapAbandonedLookups();
    auto lookup = std::make_unique<PendingLookup>();
    lookup->host = host;
    lookup->service = std::to_string(port);
    lookup->hints.ai_family = AF_UNSPEC;
    lookup->hints.ai_socktype = SOCK_STREAM;
    lookup->hints.ai_flags = AI_NUMERICSERV | (numeric ? AI_NUMERICHOST : 0);
    if (numeric) {
        addrinfo* list = nullptr;
        const int error = getaddrinfo(host.c_str(), lookup->service.c_str(), &lookup->hints, &list);
        if (error != 0) throw NetworkError(gai_strerror(error));
        return list;
    }
    lookup->request.ar_name = lookup->host.c_str();
    lookup->request.ar_service = lookup->service.c_str();
    lookup->request.ar_request = &lookup->hints;
    gaicb* requests[] = {&lookup->request};
    if (const int error = getaddrinfo_a(GAI_NOWAIT, requests, 1, nullptr); error != 0)
        throw NetworkError(gai_strerror(error));
    const auto start = SteadyClock::now();
    for (;;) {
        const int state = gai_error(&lookup->request);
        if (state != EAI_INPROGRESS) {
            if (state != 0) throw NetworkError(gai_strerror(state));
            return lookup->request.ar_result;
        }
        const timespec slice{0, kWaitSliceMs * 1000000L};
        gai_suspend(requests, 1, &slice);
        if (gai_error(&lookup->request) == EAI_INPROGRESS) Pump();
        const bool timed_out =
            idle_timeout_ms_ > 0 && SteadyClock::now() - start >= std::chrono::milliseconds(idle_timeout_ms_);
        if (aborted_ || timed_out) {
            if (gai_cancel(&lookup->request) == EAI_NOTCANCELED) {
                AbandonedLookups().push_back(std::move(lookup));
            } else if (lookup->request.ar_result) {
                freeaddrinfo(lookup->request.ar_result);
            }
            throw NetworkError(aborted_ ? kNotConnected : SocketErrorText(ETIMEDOUT));
        }
    }
}

void HttpClient::Connect(const std::string& host, int port) {
    in6_addr scratch{};
    const bool numeric = inet_pton(AF_INET, host.c_str(), &scratch) == 1 || inet_pton(AF_INET6, host.c_str(), &scratch) == 1;
    if (!numeric) Status(HttpStatus::Resolving, "Resolving hostname " + host + ".");
    if (aborted_) throw NetworkError(kNotConnected);
    const std::unique_ptr<addrinfo, AddrInfoDeleter> list(Resolve(host, port, numeric));
    std::string failure = SocketErrorText(EHOSTUNREACH);
    for (const addrinfo* candidate = list.get(); candidate; candidate = candidate->ai_next) {
        char text[NI_MAXHOST] = "";
        getnameinfo(candidate->ai_addr, candidate->ai_addrlen, text, sizeof text, nullptr, 0, NI_NUMERICHOST);
        Status(HttpStatus::Connecting, std::string("Connecting to ") + text + ".");
        if (aborted_) throw NetworkError(kNotConnected);
        const int fd = ::socket(candidate->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
        if (fd < 0) {
            failure = SocketErrorText(errno);
            continue;
        }
        fd_ = fd;
        connected_host_ = host;
        connected_port_ = port;
        peer_closed_ = false;
        request_generation_ = generation_;
        reader_->DropBuffered();
        try {
            if (::connect(fd, candidate->ai_addr, candidate->ai_addrlen) != 0) {
                if (errno != EINPROGRESS) throw NetworkError(SocketErrorText(errno));
                Wait(POLLOUT);
                int error = 0;
                socklen_t length = sizeof error;
                ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
                if (error != 0) throw NetworkError(SocketErrorText(error));
            }
        } catch (const NetworkError& problem) {
            if (aborted_ || generation_ != request_generation_) throw;
            failure = problem.what();
            Close();
            continue;
        }
        const int on = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        Status(HttpStatus::Connected, "Connected.");
        CheckAlive();
        return;
    }
    throw NetworkError(failure);
}

void HttpClient::SendAll(const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        CheckAlive();
        const ssize_t done = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (done > 0) {
            sent += static_cast<size_t>(done);
            continue;
        }
        if (done < 0 && errno == EINTR) continue;
        if (done < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            Wait(POLLOUT);
            continue;
        }
        const int error = done < 0 ? errno : EPIPE;
        peer_closed_ = true;
        throw NetworkError(SocketErrorText(error));
    }
}

void HttpClient::StoreResponse(const ResponseHead& head) {
    response_ = head;
    content_length_ = 0;
    uint64_t length = 0;
    if (ParseContentLength(head.headers, length)) content_length_ = length;
}

void HttpClient::Perform(const std::string& method, const std::string& address, BodySink& sink) {
    if (busy_) throw NetworkError("Another request is in progress.");
    struct BusyGuard {
        bool& busy;
        explicit BusyGuard(bool& flag) : busy(flag) { busy = true; }
        ~BusyGuard() { busy = false; }
    } guard(busy_);
    aborted_ = false;
    response_ = ResponseHead{};
    content_length_ = 0;
    date_ = LocalDateTime{};

    std::string current = address;
    for (int requests = 1;; ++requests) {
        const HttpAddress target = SplitAddress(current);
        const bool follow = requests < kMaxRequestsPerCall;
        const ResponseHead head = Exchange(method, target, follow, sink);
        const std::string location(TrimBlanks(head.headers.Value("Location")));
        const bool close_after =
            head.version == "1.0" || EqualsIgnoringCase(TrimBlanks(head.headers.Value("Connection")), "close");
        if (close_after) Close();
        if (!location.empty() && follow) {
            current = ResolveLocation(target, location);
            continue;
        }
        if (const std::string* date = head.headers.Find("Date")) StoreDate(*date);
        if (!location.empty() || head.code / 100 == 2) return;
        throw HttpStatusError(head.code, head.status_line);
    }
}

ResponseHead HttpClient::Exchange(const std::string& method, const HttpAddress& target, bool follow,
                                  BodySink& sink) {
    const bool proxy = !settings_.proxy_server.empty();
    const std::string host = proxy ? settings_.proxy_server : target.ConnectHost();
    const int port = proxy ? settings_.proxy_port : target.port;
    if (fd_ >= 0 && (!EqualsIgnoringCase(host, connected_host_) || port != connected_port_)) Close();
    if (fd_ >= 0 && StaleConnection()) Close();
    if (aborted_) throw NetworkError(kNotConnected);
    const bool reused = fd_ >= 0;
    if (!reused) Connect(host, port);
    request_generation_ = generation_;
    try {
        const std::string request = BuildRequest(method, target, settings_);
        ResponseHead head = SendAndReadHead(request, host, port, reused);
        StoreResponse(head);
        // Only the body the caller is given reaches the sink; any other
        // is read past (counted against the limit all the same).
        const bool redirect = !TrimBlanks(head.headers.Value("Location")).empty();
        const bool kept = redirect ? !follow : head.code / 100 == 2;
        DiscardSink dropped;
        Observer observer(*this);
        ReadBody(*reader_, PlanBody(head, method == "HEAD"), limits_, observer, kept ? sink : dropped);
        return head;
    } catch (...) {
        // A connection left in the middle of a response cannot carry the
        // next one. One the server closed is left for Connected to notice.
        if (fd_ >= 0 && !peer_closed_) {
            try {
                Close();
            } catch (...) {
            }
        }
        throw;
    }
}

ResponseHead HttpClient::SendAndReadHead(const std::string& request, const std::string& host, int port,
                                     bool reused) {
    received_ = 0;
    try {
        SendAll(request);
        return ReadResponseHead(*reader_, limits_);
    } catch (const NetworkError&) {
        // A kept-alive connection the server dropped just as it was reused:
        // ask again once, on a fresh connection.
        if (!reused || aborted_ || !peer_closed_ || received_ != 0 || fd_ < 0) throw;
        Close();
        Connect(host, port);
        request_generation_ = generation_;
        received_ = 0;
        SendAll(request);
        return ReadResponseHead(*reader_, limits_);
    }
}

void HttpClient::StoreDate(const std::string& date) {
    long offset = 0;
    try {
        Clock& clock = TheClock();
        offset = clock.UtcOffsetSeconds(clock.Now());
    } catch (...) {
        throw NetworkError("Failed attempting to retrieve time zone information.");
    }
    date_ = HttpDateToLocal(date, offset);
}

}  // namespace veltod
