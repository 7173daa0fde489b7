#pragma once
// The program's HTTP/1.1 client: HEAD and GET of plain "http://" addresses,
// directly or through a proxy with Basic authorisation, following redirects,
// keeping one connection open between requests. Every wait for the network
// is a poll of at most 250 ms, and between slices the owner's pump runs (the
// window layer processes its events there), so a Disconnect made from the
// pump ends a waiting request at once.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/net/http_address.h"
#include "core/net/http_date.h"
#include "core/net/http_response.h"
#include "core/platform/errors.h"

struct addrinfo;

namespace veltod {

enum class HttpStatus { Resolving, Connecting, Connected, Disconnecting, Disconnected, StatusText };
enum class WorkMode { Read, Write };

// What the client reports, on the caller's thread, while it works.
class HttpEvents {
public:
    virtual ~HttpEvents() = default;
    virtual void OnStatus(HttpStatus /*status*/, const std::string& /*text*/) {}
    virtual void OnWorkBegin(WorkMode /*mode*/, uint64_t /*expected*/) {}
    virtual void OnWork(WorkMode /*mode*/, uint64_t /*count*/) {}
    virtual void OnWorkEnd(WorkMode /*mode*/) {}
    virtual void OnDisconnected() {}
};

// A response whose status counts as a failure; the text is the status line.
class HttpStatusError : public NetworkError {
public:
    HttpStatusError(int code, const std::string& status_line) : NetworkError(status_line), code_(code) {}
    int Code() const { return code_; }

private:
    int code_;
};

struct HttpRequestSettings {
    std::string proxy_server;  // empty: direct connection
    int proxy_port = 80;
    std::string proxy_user;
    std::string proxy_password;
    std::string accept = "text/html, */*";
    std::string user_agent = "Mozilla/3.0 (compatible; Indy Library)";
};

inline constexpr int kMaxRequestsPerCall = 15;
inline constexpr int kWaitSliceMs = 250;

// The exact bytes of a request for an address.
std::string BuildRequest(const std::string& method, const HttpAddress& address, const HttpRequestSettings& settings);

class HttpClient {
public:
    HttpClient();
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    HttpRequestSettings& Request() { return settings_; }
    HttpLimits& Limits() { return limits_; }
    void SetEvents(HttpEvents* events) { events_ = events; }
    void SetPump(std::function<void()> pump) { pump_ = std::move(pump); }
    // A wait with no progress longer than this fails the request; 0 waits for ever.
    void SetIdleTimeoutMs(int milliseconds) { idle_timeout_ms_ = milliseconds; }

    void Head(const std::string& address);
    std::string Get(const std::string& address);
    // The same request, with the body handed to the sink block by block as it
    // arrives: the sink receives exactly what the string would hold, and the
    // same limits, events and errors apply. Bodies the string form would
    // drop (those of redirects followed, and of failing answers) never reach it.
    void Get(const std::string& address, BodySink& sink);
    bool Connected();
    void Disconnect();

    // The last response.
    int ResponseCode() const { return response_.code; }
    const std::string& ResponseText() const { return response_.status_line; }
    const std::string& ResponseVersion() const { return response_.version; }
    uint64_t ContentLength() const { return content_length_; }
    std::string Location() const { return response_.headers.Value("Location"); }
    std::string Connection() const { return response_.headers.Value("Connection"); }
    const LocalDateTime& Date() const { return date_; }
    const HttpHeaders& Headers() const { return response_.headers; }

private:
    class Source;
    class Observer;

    void Perform(const std::string& method, const std::string& address, BodySink& sink);
    // One request and its answer on the connection to the target (or the
    // proxy); follow says whether a redirect will be followed, so that its
    // body is then read past instead of handed to the sink.
    ResponseHead Exchange(const std::string& method, const HttpAddress& target, bool follow, BodySink& sink);
    ResponseHead SendAndReadHead(const std::string& request, const std::string& host, int port, bool reused);
    void StoreDate(const std::string& date);
    void Connect(const std::string& host, int port);
    ::addrinfo* Resolve(const std::string& host, int port, bool numeric);
    void SendAll(const std::string& bytes);
    // Waits until the socket is ready for events, one slice at a time.
    void Wait(short events);
    void Pump();
    void CheckAlive() const;
    bool StaleConnection();
    void Close();
    void Status(HttpStatus status, const std::string& text);
    void StoreResponse(const ResponseHead& head);

    HttpRequestSettings settings_;
    HttpLimits limits_;
    HttpEvents* events_ = nullptr;
    std::function<void()> pump_;
    int idle_timeout_ms_ = 120000;

    int fd_ = -1;
    std::string connected_host_;
    int connected_port_ = 0;
    bool peer_closed_ = false;
    uint64_t generation_ = 0;
    uint64_t request_generation_ = 0;
    bool busy_ = false;
    bool aborted_ = false;
    uint64_t received_ = 0;  // bytes of the current answer so far
    std::chrono::steady_clock::time_point last_pump_{};

    std::unique_ptr<Source> source_;
    std::unique_ptr<ResponseReader> reader_;
    ResponseHead response_;
    uint64_t content_length_ = 0;
    LocalDateTime date_;
};

}  // namespace veltod
