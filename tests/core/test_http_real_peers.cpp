// The client against real servers from Debian's packages: nginx as the web
// server and tinyproxy as an authenticating proxy. Both are started here, on
// free loopback ports, and stopped at the end; a server that cannot start
// fails the test.
#include <gtest/gtest.h>

#include <string>

#include "core/net/http_client.h"
#include "support/fake_seams.h"
#include "support/local_servers.h"

using namespace veltod;
using namespace veltod::test;

namespace {

struct Disconnects : HttpEvents {
    int count = 0;
    void OnDisconnected() override { ++count; }
};

int StatusOf(HttpClient& client, const std::string& address) {
    try {
        client.Get(address);
    } catch (const HttpStatusError& error) {
        return error.Code();
    }
    return client.ResponseCode();
}

class RealPeers : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        try {
            web_ = new NginxServer();
            proxy_ = new TinyproxyServer("alice", "s3cret");
        } catch (const std::exception& error) {
            start_failure_ = error.what();
        }
    }
    static void TearDownTestSuite() {
        delete proxy_;
        delete web_;
        proxy_ = nullptr;
        web_ = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(web_ && proxy_) << "the servers could not start: " << start_failure_;
        client.SetIdleTimeoutMs(15000);
        client.SetEvents(&events);
    }

    static NginxServer* web_;
    static TinyproxyServer* proxy_;
    static std::string start_failure_;
    SeamsGuard seams;
    Disconnects events;
    HttpClient client;
};

NginxServer* RealPeers::web_ = nullptr;
TinyproxyServer* RealPeers::proxy_ = nullptr;
std::string RealPeers::start_failure_;

std::string BinaryPayload(size_t size) {
    std::string bytes(size, '\0');
    uint32_t state = 12345;
    for (char& c : bytes) {
        state = state * 1103515245 + 12345;
        c = static_cast<char>(state >> 24);
    }
    return bytes;
}

}  // namespace

TEST_F(RealPeers, NginxServesFilesByteForByteOverOneConnection) {
    const std::string payload = BinaryPayload(3 << 20);
    web_->Put("dos/20011001.gif", payload);
    web_->Put("dir/listado.txt", "comensando\r\n1\r\nterminando\r\n");
    EXPECT_EQ(client.Get(web_->Url("/dos/20011001.gif")), payload);
    EXPECT_EQ(client.ContentLength(), payload.size());
    EXPECT_EQ(client.Get(web_->Url("\\dir\\listado.txt")), "comensando\r\n1\r\nterminando\r\n");
    client.Head(web_->Url("/dir/listado.txt"));
    // nginx sends a Date header: a real date, not the zero one.
    EXPECT_GE(client.Date().year, 2020);
    EXPECT_TRUE(client.Connected());
    EXPECT_EQ(events.count, 0);
    EXPECT_EQ(StatusOf(client, web_->Url("/no/such/file")), 404);
    // nginx answers a proxy-form request from its default server.
    client.Request().proxy_server = "127.0.0.1";
    client.Request().proxy_port = web_->Port();
    EXPECT_EQ(client.Get("http://any.host/dir/listado.txt"), "comensando\r\n1\r\nterminando\r\n");
}

TEST_F(RealPeers, TinyproxyWantsTheRightCredentials) {
    web_->Put("through.txt", "via the proxy");
    client.Request().proxy_server = "127.0.0.1";
    client.Request().proxy_port = proxy_->Port();

    EXPECT_EQ(StatusOf(client, web_->Url("/through.txt")), 407);
    client.Request().proxy_user = "alice";
    client.Request().proxy_password = "wrong";
    EXPECT_EQ(StatusOf(client, web_->Url("/through.txt")), 401);
    client.Request().proxy_password = "";
    EXPECT_EQ(StatusOf(client, web_->Url("/through.txt")), 401);

    client.Request().proxy_password = "s3cret";
    EXPECT_EQ(client.Get(web_->Url("/through.txt")), "via the proxy");
    EXPECT_EQ(client.ResponseCode(), 200);
    const std::string payload = BinaryPayload(1 << 20);
    web_->Put("big.bin", payload);
    EXPECT_EQ(client.Get(web_->Url("/big.bin")), payload);
    EXPECT_EQ(StatusOf(client, web_->Url("/absent.txt")), 404);
}
