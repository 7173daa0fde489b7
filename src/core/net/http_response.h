#pragma once
// Reading an HTTP/1.x response from a byte stream: status line, headers and a
// body framed by length, by chunks or by the close of the connection. Kept
// apart from the sockets so that any bytes at all can be fed to it. Every
// size a server announces or sends is capped (HttpLimits).
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace veltod {

struct HttpLimits {
    size_t max_line_bytes = size_t{64} << 10;     // status line, one header line, one chunk-size line
    size_t max_header_bytes = size_t{256} << 10;  // all header lines of one response
    size_t max_header_lines = 100;
    uint64_t max_body_bytes = uint64_t{256} << 20;
};

// Where response bytes come from. Receive waits as its owner sees fit and
// returns at least one byte, or 0 once the peer has closed; it raises
// NetworkError on failure.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual size_t Receive(char* into, size_t capacity) = 0;
};

// Progress of a body as it arrives.
class BodyObserver {
public:
    virtual ~BodyObserver() = default;
    virtual void WorkBegin(uint64_t /*expected*/) {}
    virtual void Work(uint64_t /*received_so_far*/) {}
    virtual void WorkEnd() {}
    virtual void ChunkStarted() {}
};

// Where a body goes as it arrives, block by block, so that a large one
// need never be held whole. A sink may raise; the read then ends with it.
class BodySink {
public:
    virtual ~BodySink() = default;
    // The length a length-delimited body announced, once it is known to lie
    // within the limit and before its first block.
    virtual void Expect(uint64_t /*bytes*/) {}
    virtual void Take(std::string_view block) = 0;
};

// Collects a body into a string.
class StringSink : public BodySink {
public:
    explicit StringSink(std::string& out) : out_(out) {}
    void Expect(uint64_t bytes) override { out_.reserve(out_.size() + static_cast<size_t>(bytes)); }
    void Take(std::string_view block) override { out_.append(block); }

private:
    std::string& out_;
};

// Lets a body go by unkept.
class DiscardSink : public BodySink {
public:
    void Take(std::string_view /*block*/) override {}
};

// Buffered reading of lines and blocks; bytes read past one response stay for
// the next one on the same connection.
class ResponseReader {
public:
    explicit ResponseReader(ByteSource& source);

    // One line without its line end (LF, or CR LF). Raises "Connection Closed
    // Gracefully." when the stream ends first, and refuses longer lines.
    std::string ReadLine(size_t max_bytes);
    // Hands exactly count bytes to the sink, reporting the running total of
    // `reported_before` + bytes handed on after every block.
    void ReadExactly(BodySink& sink, uint64_t count, uint64_t reported_before, BodyObserver& observer);
    // Hands on everything up to the close of the stream, at most limit bytes
    // in all, and returns how many that were.
    uint64_t ReadToClose(BodySink& sink, uint64_t limit, BodyObserver& observer);

    bool HasBuffered() const { return begin_ < end_; }
    void DropBuffered() { begin_ = end_ = 0; }

private:
    size_t Fill();

    ByteSource& source_;
    std::vector<char> buffer_;
    size_t begin_ = 0;
    size_t end_ = 0;
};

struct HttpHeader {
    std::string name;
    std::string value;
};

// Headers in arrival order; names compare without regard to case.
class HttpHeaders {
public:
    void Add(std::string name, std::string value) { items_.push_back({std::move(name), std::move(value)}); }
    void Clear() { items_.clear(); }
    // The first value of the header, or nullptr.
    const std::string* Find(std::string_view name) const;
    std::string Value(std::string_view name) const;
    const std::vector<HttpHeader>& Items() const { return items_; }
    std::vector<HttpHeader>& MutableItems() { return items_; }

private:
    std::vector<HttpHeader> items_;
};

struct ResponseHead {
    std::string status_line;
    std::string version;  // characters 6 to 8 of the status line, "1.0" or "1.1"
    int code = 0;
    HttpHeaders headers;
};

enum class BodyKind { None, Length, Chunked, ToClose };

struct BodyPlan {
    BodyKind kind = BodyKind::None;
    uint64_t length = 0;
};

bool EqualsIgnoringCase(std::string_view a, std::string_view b);
std::string_view TrimBlanks(std::string_view text);

// The status line: "HTTP/" and a version, a three-digit code, the reason.
// Raises NetworkError for anything else.
void ParseStatusLine(std::string_view line, ResponseHead& head);

// "Content-Length" as a number: digits only and at most the largest 63-bit
// value; raises NetworkError for a negative, malformed or overflowing value,
// and for repeated headers that disagree. Absent: nothing.
bool ParseContentLength(const HttpHeaders& headers, uint64_t& length);

// The size of a chunk-size line: up to 16 hex digits before a blank, a tab, a
// ";" or the end of the line. Raises NetworkError otherwise.
uint64_t ParseChunkSize(std::string_view line);

// Status line and headers up to the empty line. Interim 1xx answers are skipped.
ResponseHead ReadResponseHead(ResponseReader& reader, const HttpLimits& limits);

// How the body of this response is delimited.
BodyPlan PlanBody(const ResponseHead& head, bool head_request);

// Reads the body as planned, within limits, with progress events, into the
// sink; returns its length.
uint64_t ReadBody(ResponseReader& reader, const BodyPlan& plan, const HttpLimits& limits, BodyObserver& observer,
                  BodySink& sink);
// The same, collected into a string.
std::string ReadBody(ResponseReader& reader, const BodyPlan& plan, const HttpLimits& limits, BodyObserver& observer);

}  // namespace veltod
