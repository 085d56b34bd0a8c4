#include <gtest/gtest.h>

#include "tests/update/HttpClientHarness.h"

namespace velmora::testing {
namespace {

const std::string kAccept =
    "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n"
    "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n"
    "Content-type: application/x-www-form-urlencoded\r\n"
    "\r\n";

class HttpRequest : public HttpClientHarness {
protected:
    void SetUp() override {
        Server().Reply(OkReply("x"));
        Server().Close();
    }
};

TEST_F(HttpRequest, DirectSendsThePathAndHostWithoutPort) {
    ASSERT_EQ(TryGet("http://updates.example:8080/daveruri/daveruri.php?disk=YWJj"), std::nullopt) << lastError;
    EXPECT_EQ(Server().Sent, "GET /daveruri/daveruri.php?disk=YWJj HTTP/1.0\r\n"
                             "Host: updates.example\r\n" + kAccept);
    EXPECT_EQ(sockets.ConnectedHost, "updates.example");
    EXPECT_EQ(sockets.ConnectedPort, 8080);
}

TEST_F(HttpRequest, ThroughAProxySendsTheWholeUrlToTheProxy) {
    client.Proxy = "proxy.local";
    client.ProxyPort = 3128;
    ASSERT_EQ(TryGet("http://updates.example:8080/daveruri/x"), std::nullopt) << lastError;
    EXPECT_EQ(Server().Sent, "GET http://updates.example:8080/daveruri/x HTTP/1.0\r\n"
                             "Proxy-Connection: Keep-Alive\r\n"
                             "Host: updates.example\r\n" + kAccept);
    EXPECT_EQ(sockets.ConnectedHost, "proxy.local");
    EXPECT_EQ(sockets.ConnectedPort, 3128);
}

TEST_F(HttpRequest, DirectCutsALongPathTo256CharactersButAProxyGetsItAll) {
    const std::string path = "/daveruri/daveruri.php?disk=" + std::string(400, 'Q');
    ASSERT_EQ(TryGet("http://h" + path), std::nullopt) << lastError;
    EXPECT_EQ(Server().Sent.substr(0, Server().Sent.find("\r\n")), "GET " + path.substr(0, 256) + " HTTP/1.0");

    Server().Sent.clear();
    Server().Receives.clear();
    Server().Reply(OkReply("x"));
    Server().Close();
    client.Proxy = "127.0.0.1";
    client.ProxyPort = 8888;
    ASSERT_EQ(TryGet("http://h" + path), std::nullopt) << lastError;
    EXPECT_EQ(Server().Sent.substr(0, Server().Sent.find("\r\n")), "GET http://h" + path + " HTTP/1.0");
}

TEST_F(HttpRequest, AUrlWithoutPathAsksForTheRoot) {
    ASSERT_EQ(TryGet("http://h"), std::nullopt) << lastError;
    EXPECT_EQ(Server().Sent.substr(0, 16), "GET / HTTP/1.0\r\n");
}

TEST_F(HttpRequest, IsSentWholeThroughASmallAndBlockingSendWindow) {
    Server().SendChunk = 7;
    Server().SendBlockedCalls = 3;
    ASSERT_EQ(TryGet("http://h/p"), std::nullopt) << lastError;
    EXPECT_EQ(Server().Sent, "GET /p HTTP/1.0\r\nHost: h\r\n" + kAccept);
}

TEST_F(HttpRequest, IsNotMadeForBadUrlsOrProxyPorts) {
    const struct {
        const char* url;
        const char* proxy;
        std::int32_t proxyPort;
        HttpFailure kind;
    } cases[] = {
        {"", "", 0, HttpFailure::BadUrl},
        {"https://h/", "", 0, HttpFailure::BadUrl},
        {"http://h:99999/", "", 0, HttpFailure::BadUrl},
        {"http://h/", "proxy", -1, HttpFailure::BadProxy},
        {"http://h/", "proxy", 0, HttpFailure::BadProxy},
        {"http://h/", "proxy", 65536, HttpFailure::BadProxy},
    };
    for (const auto& c : cases) {
        client.Proxy = c.proxy;
        client.ProxyPort = c.proxyPort;
        EXPECT_EQ(TryGet(c.url), c.kind) << c.url << " " << c.proxyPort;
    }
    EXPECT_EQ(sockets.Connects, 0);
}

TEST_F(HttpRequest, HttpsIsRefusedWithItsText) {
    EXPECT_EQ(TryGet("https://h/"), HttpFailure::BadUrl);
    EXPECT_EQ(lastError, "HTTP Secure Socket is not supported");
}

TEST_F(HttpRequest, FailsWhenTheNameCannotBeLookedUpOrTheConnectionIsRefused) {
    sockets.FailConnect = true;
    EXPECT_EQ(TryGet("http://nowhere.invalid/"), HttpFailure::Connect);

    sockets.FailConnect = false;
    Server().ConnectPendingPolls = 5;
    Server().ConnectOutcome = SocketStatus::Failed;
    EXPECT_EQ(TryGet("http://h/"), HttpFailure::Connect);
    EXPECT_TRUE(Server().Closed);
}

TEST_F(HttpRequest, FailsWhenSendingFails) {
    Server().SendOutcome = SocketStatus::Failed;
    EXPECT_EQ(TryGet("http://h/"), HttpFailure::Network);
    Server().SendOutcome = SocketStatus::Closed;
    EXPECT_EQ(TryGet("http://h/"), HttpFailure::Network);
}

}  // namespace
}  // namespace velmora::testing
