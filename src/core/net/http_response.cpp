#include "core/net/http_response.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>

#include "core/platform/errors.h"

namespace veltod {

namespace {

// Body blocks pass through this buffer on their way to the sink: large
// enough that a fast transfer costs few system calls, small enough to stay
// in the cache and to report progress often.
constexpr size_t kBufferBytes = size_t{256} << 10;
constexpr int kMaxInterimAnswers = 16;

const char kClosedGracefully[] = "Connection Closed Gracefully.";

// Shows at most a short start of a hostile line in an error text.
std::string Excerpt(std::string_view text) {
    constexpr size_t kShown = 80;
    std::string shown(text.substr(0, kShown));
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < 0x20) c = '?';
    if (text.size() > kShown) shown += "...";
    return shown;
}

bool ContainsIgnoringCase(std::string_view text, std::string_view word) {
    if (word.size() > text.size()) return false;
    for (size_t i = 0; i + word.size() <= text.size(); ++i)
        if (EqualsIgnoringCase(text.substr(i, word.size()), word)) return true;
    return false;
}

}  // namespace

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

std::string_view TrimBlanks(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

ResponseReader::ResponseReader(ByteSource& source) : source_(source), buffer_(kBufferBytes) {}

size_t ResponseReader::Fill() {
    if (begin_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    if (end_ == buffer_.size()) return 0;
    const size_t got = source_.Receive(buffer_.data() + end_, buffer_.size() - end_);
    end_ += got;
    return got;
}

std::string ResponseReader::ReadLine(size_t max_bytes) {
    std::string line;
    for (;;) {
        const char* start = buffer_.data() + begin_;
        const char* newline = static_cast<const char*>(std::memchr(start, '\n', end_ - begin_));
        const size_t available = newline ? static_cast<size_t>(newline - start) : end_ - begin_;
        if (line.size() + available > max_bytes)
            throw NetworkError("Response line longer than " + std::to_string(max_bytes) + " bytes.");
        line.append(start, available);
        if (newline) {
            begin_ += available + 1;
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return line;
        }
        begin_ = end_ = 0;
        if (Fill() == 0) throw NetworkError(kClosedGracefully);
    }
}

void ResponseReader::ReadExactly(BodySink& sink, uint64_t count, uint64_t reported_before, BodyObserver& observer) {
    uint64_t done = 0;
    while (done < count) {
        if (begin_ == end_) {
            // Never more than the body holds: what follows it stays in the
            // socket, as it would for any other reader.
            begin_ = end_ = 0;
            const size_t room = static_cast<size_t>(std::min<uint64_t>(buffer_.size(), count - done));
            end_ = source_.Receive(buffer_.data(), room);
            if (end_ == 0) throw NetworkError(kClosedGracefully);
        }
        const size_t block = static_cast<size_t>(std::min<uint64_t>(end_ - begin_, count - done));
        sink.Take(std::string_view(buffer_.data() + begin_, block));
        begin_ += block;
        done += block;
        observer.Work(reported_before + done);
    }
}

uint64_t ResponseReader::ReadToClose(BodySink& sink, uint64_t limit, BodyObserver& observer) {
    const auto too_large = [limit] {
        return NetworkError("Response body larger than " + std::to_string(limit) + " bytes.");
    };
    uint64_t total = 0;
    if (end_ > begin_) {
        if (end_ - begin_ > limit) throw too_large();
        sink.Take(std::string_view(buffer_.data() + begin_, end_ - begin_));
        total = end_ - begin_;
        begin_ = end_ = 0;
        observer.Work(total);
    }
    for (;;) {
        if (total >= limit) {
            // One more byte would break the limit; a close here ends the body within it.
            char probe;
            if (source_.Receive(&probe, 1) == 0) return total;
            throw too_large();
        }
        const size_t room = static_cast<size_t>(std::min<uint64_t>(buffer_.size(), limit - total));
        const size_t got = source_.Receive(buffer_.data(), room);
        if (got == 0) return total;
        sink.Take(std::string_view(buffer_.data(), got));
        total += got;
        observer.Work(total);
    }
}

const std::string* HttpHeaders::Find(std::string_view name) const {
    for (const HttpHeader& header : items_)
        if (EqualsIgnoringCase(header.name, name)) return &header.value;
    return nullptr;
}

std::string HttpHeaders::Value(std::string_view name) const {
    const std::string* value = Find(name);
    return value ? *value : std::string();
}

void ParseStatusLine(std::string_view line, ResponseHead& head) {
    const auto invalid = [&] { return NetworkError("Invalid response: " + Excerpt(line)); };
    if (line.size() < 12 || line.substr(0, 5) != "HTTP/") throw invalid();
    head.status_line = std::string(line);
    head.version = std::string(line.substr(5, 3));
    // The code is the second blank-separated word, three digits.
    size_t at = line.find(' ');
    while (at < line.size() && line[at] == ' ') ++at;
    if (at == std::string_view::npos || at + 3 > line.size()) throw invalid();
    const std::string_view code = line.substr(at, 3);
    if (!std::all_of(code.begin(), code.end(), [](char c) { return c >= '0' && c <= '9'; })) throw invalid();
    if (at + 3 < line.size() && line[at + 3] != ' ') throw invalid();
    head.code = (code[0] - '0') * 100 + (code[1] - '0') * 10 + (code[2] - '0');
    if (head.code < 100) throw invalid();
}

bool ParseContentLength(const HttpHeaders& headers, uint64_t& length) {
    bool found = false;
    for (const HttpHeader& header : headers.Items()) {
        if (!EqualsIgnoringCase(header.name, "Content-Length")) continue;
        const std::string_view text = TrimBlanks(header.value);
        const auto invalid = [&] { return NetworkError("Invalid Content-Length: " + Excerpt(header.value)); };
        if (text.empty() || text.size() > 18) throw invalid();
        uint64_t value = 0;
        for (char c : text) {
            if (c < '0' || c > '9') throw invalid();
            value = value * 10 + static_cast<uint64_t>(c - '0');
        }
        if (found && value != length) throw invalid();
        length = value;
        found = true;
    }
    return found;
}

uint64_t ParseChunkSize(std::string_view line) {
    size_t end = 0;
    while (end < line.size() && line[end] != ' ' && line[end] != '\t' && line[end] != ';') ++end;
    const std::string_view digits = line.substr(0, end);
    if (digits.empty() || digits.size() > 16) throw NetworkError("Invalid chunk size: " + Excerpt(line));
    uint64_t size = 0;
    for (char c : digits) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            throw NetworkError("Invalid chunk size: " + Excerpt(line));
        size = size << 4 | static_cast<uint64_t>(digit);
    }
    return size;
}

namespace {

void ReadHeaderLines(ResponseReader& reader, const HttpLimits& limits, HttpHeaders* into) {
    size_t bytes = 0;
    size_t lines = 0;
    for (;;) {
        std::string line = reader.ReadLine(limits.max_line_bytes);
        if (line.empty()) return;
        bytes += line.size() + 2;
        if (++lines > limits.max_header_lines)
            throw NetworkError("More than " + std::to_string(limits.max_header_lines) + " response header lines.");
        if (bytes > limits.max_header_bytes)
            throw NetworkError("Response headers larger than " + std::to_string(limits.max_header_bytes) + " bytes.");
        if (!into) continue;
        auto& items = into->MutableItems();
        if ((line[0] == ' ' || line[0] == '\t') && !items.empty()) {
            // An old-style continuation line belongs to the header above it.
            items.back().value += ' ';
            items.back().value += TrimBlanks(line);
            continue;
        }
        const size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        into->Add(std::string(TrimBlanks(std::string_view(line).substr(0, colon))),
                  std::string(TrimBlanks(std::string_view(line).substr(colon + 1))));
    }
}

}  // namespace

ResponseHead ReadResponseHead(ResponseReader& reader, const HttpLimits& limits) {
    for (int answer = 0;; ++answer) {
        ResponseHead head;
        ParseStatusLine(reader.ReadLine(limits.max_line_bytes), head);
        ReadHeaderLines(reader, limits, &head.headers);
        if (head.code >= 200 || answer >= kMaxInterimAnswers) return head;
    }
}

BodyPlan PlanBody(const ResponseHead& head, bool head_request) {
    BodyPlan plan;
    if (head_request || head.code < 200 || head.code == 204 || head.code == 304) return plan;
    const std::string* encoding = head.headers.Find("Transfer-Encoding");
    uint64_t length = 0;
    const bool has_length = ParseContentLength(head.headers, length);
    if (encoding && ContainsIgnoringCase(*encoding, "chunked")) {
        plan.kind = BodyKind::Chunked;
    } else if (has_length) {
        plan.kind = length > 0 ? BodyKind::Length : BodyKind::None;
        plan.length = length;
    } else {
        plan.kind = BodyKind::ToClose;
    }
    return plan;
}

uint64_t ReadBody(ResponseReader& reader, const BodyPlan& plan, const HttpLimits& limits, BodyObserver& observer,
                  BodySink& sink) {
    if (plan.kind == BodyKind::None) return 0;
    const auto too_large = [&] {
        return NetworkError("Response body larger than " + std::to_string(limits.max_body_bytes) + " bytes.");
    };
    if (plan.kind == BodyKind::Length && plan.length > limits.max_body_bytes) throw too_large();
    observer.WorkBegin(plan.kind == BodyKind::Length ? plan.length : 0);
    uint64_t total = 0;
    try {
    switch (plan.kind) {
        case BodyKind::Length:
            sink.Expect(plan.length);
            reader.ReadExactly(sink, plan.length, 0, observer);
            total = plan.length;
            break;
        case BodyKind::Chunked:
            observer.ChunkStarted();
            for (;;) {
                const uint64_t size = ParseChunkSize(reader.ReadLine(limits.max_line_bytes));
                if (size == 0) break;
                if (size > limits.max_body_bytes - total) throw too_large();
                reader.ReadExactly(sink, size, total, observer);
                total += size;
                if (!reader.ReadLine(limits.max_line_bytes).empty())
                    throw NetworkError("Invalid chunked body: no line end after a chunk.");
            }
            // Trailer lines, if any, up to the empty line.
            ReadHeaderLines(reader, limits, nullptr);
            break;
        case BodyKind::ToClose:
            total = reader.ReadToClose(sink, limits.max_body_bytes, observer);
            break;
        case BodyKind::None:
            break;
    }
    } catch (...) {
        // Every work begin gets its work end, also when the body fails.
        observer.WorkEnd();
        throw;
    }
    observer.WorkEnd();
    return total;
}

std::string ReadBody(ResponseReader& reader, const BodyPlan& plan, const HttpLimits& limits, BodyObserver& observer) {
    std::string body;
    StringSink sink(body);
    ReadBody(reader, plan, limits, observer, sink);
    return body;
}

}  // namespace veltod
