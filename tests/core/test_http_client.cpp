#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <functional>
#include <tuple>
#include <string>
#include <vector>

#include "core/net/http_client.h"
#include "support/fake_seams.h"
#include "support/loopback_server.h"

using namespace veltod;
using namespace veltod::test;

namespace {

// Every event in arrival order, as short texts.
struct EventLog : HttpEvents {
    std::vector<std::string> lines;
    int disconnected = 0;
    void OnStatus(HttpStatus, const std::string& text) override { lines.push_back(text); }
    void OnWorkBegin(WorkMode, uint64_t expected) override { lines.push_back("begin " + std::to_string(expected)); }
    void OnWork(WorkMode, uint64_t count) override { last_count = count; }
    void OnWorkEnd(WorkMode) override { lines.push_back("end " + std::to_string(last_count)); }
    void OnDisconnected() override {
        ++disconnected;
        lines.push_back("disconnected");
    }
    uint64_t last_count = 0;
};

std::string Ok(const std::string& body, const std::string& extra = "") {
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" + extra + "\r\n" + body;
}

std::string FailureOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const NetworkError& error) {
        return error.what();
    }
    return "no error";
}

class HttpClientTest : public ::testing::Test {
protected:
    HttpClientTest() {
        client.SetEvents(&events);
        // Generous, only so that a broken client cannot hang the suite.
        client.SetIdleTimeoutMs(10000);
    }
    SeamsGuard seams;
    EventLog events;
    HttpClient client;
};

}  // namespace

TEST_F(HttpClientTest, DirectRequestsCarryExactlyTheFixedLines) {
    LoopbackServer server({{ReadRequest(), Send(Ok("abc")), ReadRequest(), Send(Ok(""))}});
    EXPECT_EQ(client.Get(server.Url("/dir/listado.txt")), "abc");
    client.Head(server.Url("/"));
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0],
              "GET /dir/listado.txt HTTP/1.1\r\nHost: 127.0.0.1\r\nAccept: text/html, */*\r\n"
              "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n\r\n");
    EXPECT_EQ(requests[1].substr(0, requests[1].find("\r\n")), "HEAD / HTTP/1.1");
    // Both went over one kept-alive connection.
    EXPECT_EQ(server.Connections(), 1);
    EXPECT_TRUE(client.Connected());
}

TEST_F(HttpClientTest, ProxyRequestsUseTheAbsoluteAddressAndCredentials) {
    LoopbackServer proxy({{ReadRequest(), Send(Ok("1")), ReadRequest(), Send(Ok("2")), ReadRequest(), Send(Ok("3"))}});
    client.Request().proxy_server = "127.0.0.1";
    client.Request().proxy_port = proxy.Port();
    EXPECT_EQ(client.Get("http://mirror.example/dir/listado.txt"), "1");
    client.Request().proxy_user = "user";
    EXPECT_EQ(client.Get("http://mirror.example/dir/listado.txt"), "2");
    client.Request().proxy_password = "pa:ss";
    EXPECT_EQ(client.Get("http://mirror.example:8080/x.gif"), "3");
    const auto requests = proxy.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0],
              "GET http://mirror.example/dir/listado.txt HTTP/1.1\r\nHost: mirror.example\r\n"
              "Accept: text/html, */*\r\nUser-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n\r\n");
    EXPECT_NE(requests[1].find("\r\nProxy-Authorization: Basic dXNlcjo=\r\n\r\n"), std::string::npos);
    EXPECT_EQ(requests[2].substr(0, requests[2].find("\r\n")), "GET http://mirror.example:8080/x.gif HTTP/1.1");
    EXPECT_NE(requests[2].find("Proxy-Authorization: Basic dXNlcjpwYTpzcw==\r\n"), std::string::npos);
}

TEST_F(HttpClientTest, Http10AnswerIsReadByLengthAndClosesTheConnection) {
    // The server keeps its side open: only the client's rule closes it.
    LoopbackServer server({{ReadRequest(), Send("HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhello")}});
    EXPECT_EQ(client.Get(server.Url("/a")), "hello");
    EXPECT_EQ(client.ResponseVersion(), "1.0");
    EXPECT_EQ(client.ContentLength(), 5u);
    EXPECT_FALSE(client.Connected());
    const std::vector<std::string> expected{"Connecting to 127.0.0.1.",
                                            "Connected.",
                                            "begin 5",
                                            "end 5",
                                            "Disconnecting from 127.0.0.1.",
                                            "Not connected.",
                                            "disconnected"};
    EXPECT_EQ(events.lines, expected);
}

TEST_F(HttpClientTest, ConnectionCloseInAnyCaseClosesAfterTheAnswer) {
    LoopbackServer server({{ReadRequest(), Send(Ok("x", "Connection:  cLoSe \r\n"))}, {ReadRequest(), Send(Ok("y"))}});
    EXPECT_EQ(client.Get(server.Url("/a")), "x");
    EXPECT_EQ(events.disconnected, 1);
    EXPECT_EQ(client.Get(server.Url("/b")), "y");
    EXPECT_EQ(server.Connections(), 2);
}

TEST_F(HttpClientTest, BodyWithoutLengthRunsToTheClose) {
    LoopbackServer server({{ReadRequest(), Send("HTTP/1.1 200 OK\r\n\r\nfirst part "), Pause(50),
                            Send("second part"), CloseConnection()}});
    EXPECT_EQ(client.Get(server.Url("/")), "first part second part");
    EXPECT_EQ(client.ContentLength(), 0u);
    // The close was read: the first check closes this side too, once.
    EXPECT_EQ(events.disconnected, 0);
    EXPECT_FALSE(client.Connected());
    EXPECT_EQ(events.disconnected, 1);
    EXPECT_FALSE(client.Connected());
    EXPECT_EQ(events.disconnected, 1);
}

TEST_F(HttpClientTest, ChunkedBodyIsJoinedAndReported) {
    LoopbackServer server({{ReadRequest(), Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4\r\nWiki\r\n"),
                            Pause(30), Send("5\r\npedia\r\n0\r\n\r\n")}});
    EXPECT_EQ(client.Get(server.Url("/")), "Wikipedia");
    EXPECT_EQ(events.lines, (std::vector<std::string>{"Connecting to 127.0.0.1.", "Connected.", "begin 0",
                                                      "Chunk Started", "end 9"}));
    EXPECT_TRUE(client.Connected());
}

TEST_F(HttpClientTest, RedirectsAreFollowedUpToFifteenRequests) {
    LoopbackServer target({{ReadRequest(), Send(Ok("arrived"))}});
    LoopbackServer server({{ReadRequest(), Send("HTTP/1.1 302 Found\r\nLocation: /moved/b.txt\r\nContent-Length: 4\r\n\r\nskip"),
                            ReadRequest(), Send("HTTP/1.1 301 Moved\r\nLocation: " + target.Url("/final") +
                                                "\r\nContent-Length: 0\r\n\r\n")}});
    EXPECT_EQ(client.Get(server.Url("/a/start")), "arrived");
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].substr(0, requests[1].find("\r\n")), "GET /moved/b.txt HTTP/1.1");
    EXPECT_EQ(target.Requests().size(), 1u);
    EXPECT_EQ(client.ResponseCode(), 200);

    // A server that redirects for ever: the fifteenth answer ends the call
    // without error, and a sixteenth request is never made.
    const ServerScript loop{ReadRequest(), Send("HTTP/1.1 302 Found\r\nLocation: again\r\nContent-Length: 0\r\n\r\n"),
                            CloseConnection()};
    LoopbackServer endless({}, loop);
    EXPECT_EQ(client.Get(endless.Url("/x")), "");
    EXPECT_EQ(endless.Requests().size(), 15u);
    EXPECT_EQ(client.ResponseCode(), 302);
}

TEST_F(HttpClientTest, RedirectToHttpsFails) {
    LoopbackServer server({{ReadRequest(), Send("HTTP/1.1 302 Found\r\nLocation: https://secure/x\r\nContent-Length: 0\r\n\r\n")}});
    EXPECT_EQ(FailureOf([&] { client.Get(server.Url("/")); }), "Protocol not supported: https");
}

TEST_F(HttpClientTest, ErrorStatusFailsWithItsLineAndKeepsTheConnection) {
    LoopbackServer server({{ReadRequest(), Send("HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot here!"),
                            ReadRequest(), Send(Ok("fine"))}});
    try {
        client.Get(server.Url("/missing"));
        FAIL() << "a 404 must fail";
    } catch (const HttpStatusError& error) {
        EXPECT_EQ(error.Code(), 404);
        EXPECT_STREQ(error.what(), "HTTP/1.1 404 Not Found");
    }
    EXPECT_TRUE(client.Connected());
    EXPECT_EQ(client.Get(server.Url("/there")), "fine");
    EXPECT_EQ(server.Connections(), 1);
}

TEST_F(HttpClientTest, ServerClosingMidBodyFailsGracefully) {
    LoopbackServer server({{ReadRequest(), Send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly this"),
                            CloseConnection()}});
    EXPECT_EQ(FailureOf([&] { client.Get(server.Url("/")); }), "Connection Closed Gracefully.");
    // The far end answered, the close is noticed by the next check.
    EXPECT_FALSE(client.Connected());
    EXPECT_EQ(events.disconnected, 1);
}

TEST_F(HttpClientTest, DateHeaderBecomesLocalTimeThroughTheClock) {
    seams.clock.offset = -3 * 3600;
    LoopbackServer server({{ReadRequest(), Send("HTTP/1.1 200 OK\r\nDate: Mon, 01 Oct 2001 02:30:00 GMT\r\n"
                                                "Content-Length: 0\r\n\r\n"),
                            ReadRequest(), Send(Ok(""))}});
    client.Head(server.Url("/"));
    EXPECT_EQ(client.Date(), (LocalDateTime{2001, 9, 30, 23, 30, 0}));
    // No Date header: the zero date.
    client.Head(server.Url("/"));
    EXPECT_TRUE(client.Date().IsZero());
}

TEST_F(HttpClientTest, UnknownTimeZoneFailsTheRequest) {
    struct BrokenClock : Clock {
        std::time_t Now() const override { return 0; }
        long UtcOffsetSeconds(std::time_t) const override { throw std::runtime_error("no zone"); }
    } broken;
    CurrentSeams().clock = &broken;
    LoopbackServer server({{ReadRequest(), Send("HTTP/1.1 200 OK\r\nDate: Mon, 01 Oct 2001 02:30:00 GMT\r\n\r\n")}});
    EXPECT_EQ(FailureOf([&] { client.Head(server.Url("/")); }), "Failed attempting to retrieve time zone information.");
    // The system clock itself fails where the system has no local time.
    EXPECT_THROW(SystemClock().UtcOffsetSeconds(std::numeric_limits<std::time_t>::max()), std::exception);
}

TEST_F(HttpClientTest, RefusedConnectionFailsWithTheSocketErrorText) {
    int port;
    {
        LoopbackServer gone({});
        port = gone.Port();
    }
    EXPECT_EQ(FailureOf([&] { client.Get("http://127.0.0.1:" + std::to_string(port) + "/"); }),
              std::strerror(ECONNREFUSED));
    EXPECT_FALSE(client.Connected());
    // The half-open socket was closed like any other.
    EXPECT_EQ(events.disconnected, 1);
    EXPECT_EQ(events.lines.front(), "Connecting to 127.0.0.1.");
}

TEST_F(HttpClientTest, HostNamesAreLookedUpFirst) {
    // "localhost" comes from the hosts file: no name server is asked.
    LoopbackServer server({{ReadRequest(), Send(Ok("by name"))}});
    EXPECT_EQ(client.Get("http://localhost:" + std::to_string(server.Port()) + "/"), "by name");
    ASSERT_FALSE(events.lines.empty());
    EXPECT_EQ(events.lines.front(), "Resolving hostname localhost.");
    EXPECT_NE(std::find(events.lines.begin(), events.lines.end(), "Connecting to 127.0.0.1."), events.lines.end());
    EXPECT_NE(server.Requests().at(0).find("\r\nHost: localhost\r\n"), std::string::npos);
}

TEST_F(HttpClientTest, DisconnectFromThePumpEndsAWaitingRequestAtOnce) {
    // The answer would arrive, complete, after a pause; the cancel comes first.
    LoopbackServer server({{ReadRequest(), Pause(1500), Send(Ok("too late"))}});
    int pumps = 0;
    client.SetPump([&] {
        if (++pumps == 2) client.Disconnect();
    });
    EXPECT_EQ(FailureOf([&] { client.Get(server.Url("/")); }), "Not connected.");
    EXPECT_EQ(pumps, 2);
    EXPECT_EQ(events.disconnected, 1);
    EXPECT_FALSE(client.Connected());
    EXPECT_EQ(events.disconnected, 1);
}

TEST_F(HttpClientTest, DisconnectFromAnEventHandlerStopsTheBody) {
    struct Canceller : EventLog {
        HttpClient* client = nullptr;
        void OnWork(WorkMode mode, uint64_t count) override {
            EventLog::OnWork(mode, count);
            client->Disconnect();
        }
    } canceller;
    canceller.client = &client;
    client.SetEvents(&canceller);
    // The rest of the body never comes: only the disconnect can end the wait
    // before the idle timeout, which would fail with another text.
    LoopbackServer server({{ReadRequest(), Send("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n12345"), Pause(5000)}});
    EXPECT_EQ(FailureOf([&] { client.Get(server.Url("/")); }), "Not connected.");
    EXPECT_EQ(canceller.disconnected, 1);
}

TEST_F(HttpClientTest, StaleKeptAliveConnectionIsReplaced) {
    LoopbackServer server({{ReadRequest(), Send(Ok("one")), Pause(50), CloseConnection()},
                           {ReadRequest(), Send(Ok("two"))}});
    EXPECT_EQ(client.Get(server.Url("/1")), "one");
    // Give the server time to close its side (no time is asserted).
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    // The idle connection the server closed still counts as open.
    EXPECT_TRUE(client.Connected());
    EXPECT_EQ(client.Get(server.Url("/2")), "two");
    EXPECT_EQ(server.Connections(), 2);
}

TEST_F(HttpClientTest, AnotherHostOrPortClosesTheOpenConnection) {
    LoopbackServer first({{ReadRequest(), Send(Ok("a"))}});
    LoopbackServer second({{ReadRequest(), Send(Ok("b"))}});
    EXPECT_EQ(client.Get(first.Url("/")), "a");
    EXPECT_EQ(client.Get(second.Url("/")), "b");
    EXPECT_EQ(events.disconnected, 1);
}

TEST_F(HttpClientTest, HeadReadsNoBodyAndTheConnectionStaysInStep) {
    LoopbackServer server({{ReadRequest(), Send("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n"), ReadRequest(),
                            Send(Ok("after head"))}});
    client.Head(server.Url("/"));
    EXPECT_EQ(client.ContentLength(), 1000u);
    EXPECT_EQ(client.Get(server.Url("/")), "after head");
    EXPECT_EQ(server.Connections(), 1);
}

TEST_F(HttpClientTest, HostileServersFailCleanly) {
    client.Limits().max_body_bytes = 1 << 20;
    const std::vector<std::pair<ServerScript, std::string>> cases{
        {{ReadRequest(), Send("HTTP/1.1 200 " + std::string(70000, 'x'))}, "Response line longer than 65536 bytes."},
        {{ReadRequest(), Send("HTTP/1.1 200 OK\r\n"), SendForever("X-Header: again and again\r\n")}, "More than 100 response header lines."},
        {{ReadRequest(), Send("HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\n")}, "Invalid Content-Length: -1"},
        {{ReadRequest(), Send("HTTP/1.1 200 OK\r\nContent-Length: 2000000\r\n\r\n")},
         "Response body larger than 1048576 bytes."},
        {{ReadRequest(), Send("HTTP/1.1 200 OK\r\n\r\n"), SendForever(std::string(65536, 'z'))},
         "Response body larger than 1048576 bytes."},
        {{ReadRequest(), Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10000000000000000\r\n")},
         "Invalid chunk size: 10000000000000000"},
        {{ReadRequest(), Send("\x16\x03\x01 not http at all\r\n\r\n")}, "Invalid response: ??? not http at all"},
    };
    for (const auto& [script, failure] : cases) {
        SCOPED_TRACE(failure);
        LoopbackServer server({script});
        EXPECT_EQ(FailureOf([&] { client.Get(server.Url("/")); }), failure);
        // Abandoned mid-answer: closed at once.
        EXPECT_FALSE(client.Connected());
    }
}

TEST_F(HttpClientTest, SilentServerFailsAfterTheIdleTimeout) {
    LoopbackServer server({{ReadRequest(), Pause(3000)}});
    client.SetIdleTimeoutMs(300);
    int pumps = 0;
    client.SetPump([&] { ++pumps; });
    EXPECT_EQ(FailureOf([&] { client.Get(server.Url("/")); }), std::strerror(ETIMEDOUT));
    EXPECT_GE(pumps, 1);
}

TEST_F(HttpClientTest, AddressesThatCannotBeRequestedFailBeforeAnyConnection) {
    EXPECT_EQ(FailureOf([&] { client.Get("HTTPS://secure.example/"); }), "Protocol not supported: HTTPS");
    EXPECT_TRUE(events.lines.empty());
}

TEST_F(HttpClientTest, SinkReceivesWhatTheStringWouldHoldWithTheSameEventsAndErrors) {
    struct Recorder : BodySink {
        std::string bytes;
        int blocks = 0;
        void Take(std::string_view block) override {
            bytes.append(block);
            ++blocks;
        }
    };
    // Larger than one receive block, so that it arrives in several.
    std::string large(700000, '\0');
    for (size_t i = 0; i < large.size(); ++i) large[i] = static_cast<char>(i * 2654435761u >> 24);
    const uint64_t kNoLimit = HttpLimits{}.max_body_bytes;
    const char kOver[] = "Response body larger than 8 bytes.";
    struct Case {
        const char* name;
        ServerScript script;
        uint64_t limit;
        std::string body;     // what both forms bring back...
        std::string failure;  // ...or the error both raise
    };
    const std::vector<Case> cases{
        {"length", {ReadRequest(), Send(Ok(large))}, kNoLimit, large, ""},
        {"chunked",
         {ReadRequest(), Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4\r\nWiki\r\n"), Pause(20),
          Send("5\r\npedia\r\n0\r\n\r\n")},
         kNoLimit, "Wikipedia", ""},
        {"to the close", {ReadRequest(), Send("HTTP/1.0 200 OK\r\n\r\n" + large), CloseConnection()}, kNoLimit, large, ""},
        {"close at the limit", {ReadRequest(), Send("HTTP/1.1 200 OK\r\n\r\n01234567"), CloseConnection()}, 8,
         "01234567", ""},
        {"redirect followed",
         {ReadRequest(), Send("HTTP/1.1 302 Found\r\nLocation: /b\r\nContent-Length: 4\r\n\r\nskip"), ReadRequest(),
          Send(Ok("arrived"))},
         kNoLimit, "arrived", ""},
        {"length over the limit", {ReadRequest(), Send(Ok("0123456789"))}, 8, "", kOver},
        {"chunks over the limit",
         {ReadRequest(), Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nabcde\r\n5\r\nfghij\r\n0\r\n\r\n")},
         8, "", kOver},
        {"close over the limit", {ReadRequest(), Send("HTTP/1.1 200 OK\r\n\r\n0123456789"), CloseConnection()}, 8, "",
         kOver},
        {"cut short",
         {ReadRequest(), Send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly this"), CloseConnection()}, kNoLimit,
         "", "Connection Closed Gracefully."},
        {"error status", {ReadRequest(), Send("HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot here!")},
         kNoLimit, "", "HTTP/1.1 404 Not Found"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // One connection for each form of the request.
        LoopbackServer server({c.script, c.script});
        const auto run = [&](const std::function<std::string(HttpClient&)>& get) {
            EventLog log;
            HttpClient one;
            one.SetEvents(&log);
            one.SetIdleTimeoutMs(10000);
            one.Limits().max_body_bytes = c.limit;
            std::string body;
            const std::string failure = FailureOf([&] { body = get(one); });
            return std::make_tuple(body, failure, log.lines);
        };
        const auto [string_body, string_failure, string_events] =
            run([&](HttpClient& one) { return one.Get(server.Url("/a")); });
        Recorder sink;
        const auto [sink_body, sink_failure, sink_events] = run([&](HttpClient& one) {
            one.Get(server.Url("/a"), sink);
            return sink.bytes;
        });
        const std::string failure = c.failure.empty() ? "no error" : c.failure;
        EXPECT_EQ(string_failure, failure);
        EXPECT_EQ(sink_failure, failure);
        EXPECT_EQ(sink_events, string_events);
        if (c.failure.empty()) {
            EXPECT_TRUE(string_body == c.body);
            EXPECT_TRUE(sink_body == c.body);
        }
        // Bodies the string form drops never reach the sink.
        EXPECT_EQ(sink.bytes.find("skip"), std::string::npos);
        EXPECT_EQ(sink.bytes.find("not here!"), std::string::npos);
        if (c.body.size() > 256 * 1024) {
            EXPECT_GT(sink.blocks, 1);
        }
    }
}
