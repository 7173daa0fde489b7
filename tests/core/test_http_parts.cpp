#include <gtest/gtest.h>

#include <string>

#include "core/net/base64.h"
#include "core/net/http_address.h"
#include "core/net/http_client.h"
#include "core/net/http_date.h"
#include "core/net/http_response.h"
#include "core/platform/errors.h"

using namespace veltod;

namespace {

// Hands out canned bytes a few at a time, then reports the close.
class MemorySource : public ByteSource {
public:
    explicit MemorySource(std::string bytes, size_t step = 7) : bytes_(std::move(bytes)), step_(step) {}
    size_t Receive(char* into, size_t capacity) override {
        const size_t n = std::min({capacity, step_, bytes_.size() - at_});
        bytes_.copy(into, n, at_);
        at_ += n;
        return n;
    }

private:
    std::string bytes_;
    size_t step_;
    size_t at_ = 0;
};

struct CountingObserver : BodyObserver {
    std::vector<std::string> seen;
    void WorkBegin(uint64_t expected) override { seen.push_back("begin " + std::to_string(expected)); }
    void Work(uint64_t so_far) override { last = so_far; }
    void WorkEnd() override { seen.push_back("end " + std::to_string(last)); }
    void ChunkStarted() override { seen.push_back("chunk"); }
    uint64_t last = 0;
};

std::string Fetch(const std::string& response, const HttpLimits& limits = {}, bool head = false) {
    MemorySource source(response);
    ResponseReader reader(source);
    const ResponseHead parsed = ReadResponseHead(reader, limits);
    CountingObserver observer;
    return ReadBody(reader, PlanBody(parsed, head), limits, observer);
}

std::string ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const NetworkError& error) {
        return error.what();
    }
    return "no error";
}

}  // namespace

TEST(Base64, EncodesTheStandardVectorsAndCredentials) {
    EXPECT_EQ(EncodeBase64(""), "");
    EXPECT_EQ(EncodeBase64("f"), "Zg==");
    EXPECT_EQ(EncodeBase64("fo"), "Zm8=");
    EXPECT_EQ(EncodeBase64("foo"), "Zm9v");
    EXPECT_EQ(EncodeBase64("foobar"), "Zm9vYmFy");
    EXPECT_EQ(EncodeBase64("user:"), "dXNlcjo=");
    EXPECT_EQ(EncodeBase64("Aladdin:open sesame"), "QWxhZGRpbjpvcGVuIHNlc2FtZQ==");
    EXPECT_EQ(EncodeBase64(std::string("\xFF\xFE\x00", 3)), "//4A");
    // A long value stays on one line.
    EXPECT_EQ(EncodeBase64(std::string(120, 'a')).find('\n'), std::string::npos);
}

TEST(HttpDate, TurnsUniversalTimeIntoLocalTime) {
    // Three hours behind universal time: early 1 October is still 30 September.
    const LocalDateTime local = HttpDateToLocal("Mon, 01 Oct 2001 02:30:00 GMT", -3 * 3600);
    EXPECT_EQ(local, (LocalDateTime{2001, 9, 30, 23, 30, 0}));
    EXPECT_EQ(HttpDateToLocal("Mon, 01 Oct 2001 02:30:00 GMT", 0), (LocalDateTime{2001, 10, 1, 2, 30, 0}));
    EXPECT_EQ(HttpDateToLocal("Sun, 31 Dec 2000 23:00:00 GMT", 3600), (LocalDateTime{2001, 1, 1, 0, 0, 0}));
    // A written zone offset is taken off first.
    EXPECT_EQ(HttpDateToLocal("Tue, 29 Feb 2000 01:00:00 +0200", 0), (LocalDateTime{2000, 2, 28, 23, 0, 0}));
    EXPECT_EQ(HttpDateToLocal("01 Mar 1900 00:30:00 -0100", 0), (LocalDateTime{1900, 3, 1, 1, 30, 0}));
}

TEST(HttpDate, ReadsLooseButRecognisableForms) {
    EXPECT_EQ(HttpDateToLocal("  sat, 6 nov 2004 08:49:37 gmt  ", 0), (LocalDateTime{2004, 11, 6, 8, 49, 37}));
    EXPECT_EQ(HttpDateToLocal("06 Nov 04 08:49", 0), (LocalDateTime{2004, 11, 6, 8, 49, 0}));
    EXPECT_EQ(HttpDateToLocal("06 Nov 94", 0), (LocalDateTime{1994, 11, 6, 0, 0, 0}));
    // A day that is not a number counts as the 1st.
    EXPECT_EQ(HttpDateToLocal("Fri, xx Jun 2001 10:00:00 GMT", 0), (LocalDateTime{2001, 6, 1, 10, 0, 0}));
}

TEST(HttpDate, UnreadableValuesGiveTheZeroDate) {
    for (const char* value : {"", "   ", "garbage", "Mon, 31 Feb 2001 10:00:00 GMT", "Mon, 01 Foo 2001 10:00:00 GMT",
                              "Mon, 01 Oct 2001 25:00:00 GMT", "Mon, 01 Oct 2001 10:61:00 GMT",
                              "Mon, 01 Oct 2001 aa:00:00 GMT", "Mon, 01 Oct 2001 1:2:3:4 GMT", "Mon, 00 Oct 2001",
                              "Mon, 01 Oct 99999 10:00:00 GMT", "Sunday, 06-Nov-94 08:49:37 GMT"}) {
        SCOPED_TRACE(value);
        EXPECT_TRUE(HttpDateToLocal(value, 7200).IsZero());
    }
    EXPECT_TRUE(LocalDateTime{}.IsZero());
}

TEST(HttpDate, CountsDaysAcrossCenturiesExactly) {
    for (const LocalDateTime& date : {LocalDateTime{1899, 12, 30, 0, 0, 0}, LocalDateTime{1900, 2, 28, 23, 59, 59},
                                      LocalDateTime{2000, 2, 29, 12, 0, 0}, LocalDateTime{2100, 3, 1, 0, 0, 1},
                                      LocalDateTime{1753, 1, 1, 6, 0, 0}}) {
        static const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
        const std::string text = std::to_string(date.day) + " " + kMonths[date.month - 1] + " " +
                                 std::to_string(date.year) + " " + std::to_string(date.hour) + ":" +
                                 std::to_string(date.minute) + ":" + std::to_string(date.second);
        SCOPED_TRACE(text);
        const auto seconds = HttpDateToUniversalSeconds(text);
        ASSERT_TRUE(seconds.has_value());
        EXPECT_EQ(DateTimeFromSeconds(*seconds), date);
    }
    EXPECT_EQ(HttpDateToUniversalSeconds("30 Dec 1899 00:00:00"), 0);
    EXPECT_EQ(HttpDateToUniversalSeconds("31 Dec 1899 00:00:01"), 86401);
}

TEST(HttpAddress, SplitsHostPathAndDocument) {
    HttpAddress a = SplitAddress("http://h/dir/listado.txt");
    EXPECT_EQ(a.host, "h");
    EXPECT_EQ(a.port, 80);
    EXPECT_EQ(a.path, "/dir/");
    EXPECT_EQ(a.document, "listado.txt");

    a = SplitAddress("HTTP://Mirror.example:8080");
    EXPECT_EQ(a.host, "Mirror.example");
    EXPECT_EQ(a.port, 8080);
    EXPECT_EQ(a.path, "/");
    EXPECT_EQ(a.document, "");

    a = SplitAddress("http://h\\a\\b\\c.gif#part");
    EXPECT_EQ(a.path, "/a/b/");
    EXPECT_EQ(a.document, "c.gif");

    a = SplitAddress("h/x?q=1");
    EXPECT_EQ(a.scheme, "http");
    EXPECT_EQ(a.document, "x?q=1");

    a = SplitAddress("http://[::1]:81/d");
    EXPECT_EQ(a.ConnectHost(), "::1");
    EXPECT_EQ(a.port, 81);
    EXPECT_EQ(a.Origin(), "http://[::1]:81");
}

TEST(HttpAddress, RefusesWhatCannotBeRequested) {
    EXPECT_EQ(ErrorOf([] { SplitAddress("https://h/x"); }), "Protocol not supported: https");
    EXPECT_EQ(ErrorOf([] { SplitAddress("HTTPS://h/x"); }), "Protocol not supported: HTTPS");
    EXPECT_NE(ErrorOf([] { SplitAddress("ftp://h/x"); }), "no error");
    EXPECT_NE(ErrorOf([] { SplitAddress("http:///x"); }), "no error");
    EXPECT_NE(ErrorOf([] { SplitAddress("http://h:0/x"); }), "no error");
    EXPECT_NE(ErrorOf([] { SplitAddress("http://h:65536/x"); }), "no error");
    EXPECT_NE(ErrorOf([] { SplitAddress("http://h:8o/x"); }), "no error");
    EXPECT_EQ(ErrorOf([] { SplitAddress("http://h/x\r\nX-Injected: 1"); }), "Invalid character in the address.");
}

TEST(HttpAddress, ResolvesLocationsAgainstTheAnsweringAddress) {
    const HttpAddress from = SplitAddress("http://h:81/dir/a.txt");
    EXPECT_EQ(ResolveLocation(from, "http://other/b"), "http://other/b");
    EXPECT_EQ(ResolveLocation(from, "/root.txt"), "http://h:81/root.txt");
    EXPECT_EQ(ResolveLocation(from, "b.txt"), "http://h:81/dir/b.txt");
    EXPECT_EQ(ResolveLocation(from, "//cdn/c"), "http://cdn/c");
    EXPECT_EQ(ResolveLocation(from, "next?u=http://x/"), "http://h:81/dir/next?u=http://x/");
}

TEST(HttpRequest, SendsExactlyTheFixedLines) {
    HttpRequestSettings settings;
    const HttpAddress address = SplitAddress("http://h/dir/listado.txt");
    EXPECT_EQ(BuildRequest("GET", address, settings),
              "GET /dir/listado.txt HTTP/1.1\r\nHost: h\r\nAccept: text/html, */*\r\n"
              "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n\r\n");

    settings.proxy_server = "proxy";
    EXPECT_EQ(BuildRequest("HEAD", address, settings),
              "HEAD http://h/dir/listado.txt HTTP/1.1\r\nHost: h\r\nAccept: text/html, */*\r\n"
              "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n\r\n");

    settings.proxy_user = "user";
    EXPECT_NE(BuildRequest("GET", address, settings).find("\r\nProxy-Authorization: Basic dXNlcjo=\r\n\r\n"),
              std::string::npos);
    // Without a proxy the credentials never leave the program.
    settings.proxy_server.clear();
    EXPECT_EQ(BuildRequest("GET", address, settings).find("Proxy-Authorization"), std::string::npos);

    settings.proxy_server = "proxy";
    const std::string with_port = BuildRequest("GET", SplitAddress("http://h:8080/x"), settings);
    EXPECT_EQ(with_port.substr(0, with_port.find("\r\n")), "GET http://h:8080/x HTTP/1.1");
    EXPECT_NE(with_port.find("\r\nHost: h\r\n"), std::string::npos);
}

TEST(HttpResponse, ReadsStatusHeadersAndEachBodyFraming) {
    MemorySource source("HTTP/1.0 200 OK\r\ncontent-LENGTH: 5\r\nX-Long: a\r\n  b\r\n\r\nhelloEXTRA");
    ResponseReader reader(source);
    const ResponseHead head = ReadResponseHead(reader, {});
    EXPECT_EQ(head.version, "1.0");
    EXPECT_EQ(head.code, 200);
    EXPECT_EQ(head.status_line, "HTTP/1.0 200 OK");
    EXPECT_EQ(head.headers.Value("Content-Length"), "5");
    EXPECT_EQ(head.headers.Value("x-long"), "a b");
    CountingObserver observer;
    EXPECT_EQ(ReadBody(reader, PlanBody(head, false), {}, observer), "hello");
    EXPECT_EQ(observer.seen, (std::vector<std::string>{"begin 5", "end 5"}));

    EXPECT_EQ(Fetch("HTTP/1.1 200 OK\nServer: x\n\nto the close\r\n"), "to the close\r\n");
    EXPECT_EQ(Fetch("HTTP/1.1 200 OK\r\nTransfer-Encoding: Chunked\r\n\r\n"
                    "5;ext=1\r\nhello\r\n1A \r\nabcdefghijklmnopqrstuvwxyz\r\n0\r\nTrailer: t\r\n\r\n"),
              "helloabcdefghijklmnopqrstuvwxyz");
    // A length of 0 means no body, not "read to the close".
    EXPECT_EQ(Fetch("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\nnext response"), "");
    EXPECT_EQ(Fetch("HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nnot read", {}, true), "");
    EXPECT_EQ(Fetch("HTTP/1.1 304 Not Modified\r\n\r\nnext"), "");
    EXPECT_EQ(Fetch("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"), "ok");
}

TEST(HttpResponse, ReportsChunksAndProgress) {
    MemorySource source("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n2\r\nde\r\n0\r\n\r\n", 100);
    ResponseReader reader(source);
    const ResponseHead head = ReadResponseHead(reader, {});
    CountingObserver observer;
    EXPECT_EQ(ReadBody(reader, PlanBody(head, false), {}, observer), "abcde");
    EXPECT_EQ(observer.seen, (std::vector<std::string>{"begin 0", "chunk", "end 5"}));
}

TEST(HttpResponse, RefusesMalformedAndTruncatedAnswers) {
    EXPECT_EQ(ErrorOf([] { Fetch(""); }), "Connection Closed Gracefully.");
    EXPECT_EQ(ErrorOf([] { Fetch("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nshort"); }),
              "Connection Closed Gracefully.");
    EXPECT_EQ(ErrorOf([] { Fetch("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nab"); }),
              "Connection Closed Gracefully.");
    for (const char* bad : {"SSH-2.0-OpenSSH\r\n\r\n", "HTTP/1.1 2x0 OK\r\n\r\n", "HTTP/1.1 20 OK\r\n\r\n",
                            "HTTP/1.1 2000 OK\r\n\r\n", "HTTP/1.1\r\n\r\n"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(ErrorOf([&] { Fetch(bad); }).rfind("Invalid response: ", 0), 0u);
    }
    for (const char* length : {"-1", "abc", "1e3", "99999999999999999999999", "", "5, 6"}) {
        SCOPED_TRACE(length);
        EXPECT_EQ(ErrorOf([&] { Fetch(std::string("HTTP/1.1 200 OK\r\nContent-Length: ") + length + "\r\n\r\n"); })
                      .rfind("Invalid Content-Length", 0),
                  0u);
    }
    EXPECT_NE(ErrorOf([] { Fetch("HTTP/1.1 200 OK\r\nContent-Length: 3\r\nContent-Length: 4\r\n\r\nabcd"); }),
              "no error");
    for (const char* size : {"12345678901234567", "zz", "-5", "", " 5", "0x10"}) {
        SCOPED_TRACE(size);
        EXPECT_EQ(ErrorOf([&] {
                      Fetch(std::string("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n") + size + "\r\n");
                  }).rfind("Invalid chunk size", 0),
                  0u);
    }
    EXPECT_NE(ErrorOf([] { Fetch("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nabc\r\n0\r\n\r\n"); }),
              "no error");
}

TEST(HttpResponse, CapsWhatAServerCanMakeUsHold) {
    HttpLimits limits;
    limits.max_line_bytes = 100;
    limits.max_header_lines = 5;
    limits.max_header_bytes = 300;
    limits.max_body_bytes = 10;
    EXPECT_EQ(ErrorOf([&] { Fetch("HTTP/1.1 200 " + std::string(200, 'x') + "\r\n\r\n", limits); }),
              "Response line longer than 100 bytes.");
    std::string many = "HTTP/1.1 200 OK\r\n";
    for (int i = 0; i < 6; ++i) many += "X: y\r\n";
    EXPECT_EQ(ErrorOf([&] { Fetch(many + "\r\n", limits); }), "More than 5 response header lines.");
    std::string wide = "HTTP/1.1 200 OK\r\n";
    for (int i = 0; i < 4; ++i) wide += "X: " + std::string(90, 'v') + "\r\n";
    EXPECT_EQ(ErrorOf([&] { Fetch(wide + "\r\n", limits); }), "Response headers larger than 300 bytes.");
    EXPECT_EQ(ErrorOf([&] { Fetch("HTTP/1.1 200 OK\r\nContent-Length: 11\r\n\r\n12345678901", limits); }),
              "Response body larger than 10 bytes.");
    EXPECT_EQ(ErrorOf([&] { Fetch("HTTP/1.1 200 OK\r\n\r\n12345678901", limits); }),
              "Response body larger than 10 bytes.");
    EXPECT_EQ(Fetch("HTTP/1.1 200 OK\r\n\r\n1234567890", limits), "1234567890");
    EXPECT_EQ(ErrorOf([&] {
                  Fetch("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n8\r\n12345678\r\n8\r\n12345678\r\n0\r\n\r\n",
                        limits);
              }),
              "Response body larger than 10 bytes.");
    EXPECT_EQ(ErrorOf([&] {
                  Fetch("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nFFFFFFFFFFFFFFFF\r\n", limits);
              }),
              "Response body larger than 10 bytes.");
    std::string endless_trailers = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n";
    for (int i = 0; i < 10; ++i) endless_trailers += "T: x\r\n";
    EXPECT_EQ(ErrorOf([&] { Fetch(endless_trailers, limits); }), "More than 5 response header lines.");
}
