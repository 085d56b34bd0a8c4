#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "update/HttpUpdateTransport.h"
#include "tests/fakes/FakeWaitClock.h"
#include "tests/fakes/MemoryFileSink.h"
#include "tests/fakes/ScriptedSocket.h"

namespace velmora::update {
namespace {

class HttpUpdateTransportTest : public ::testing::Test {
protected:
    fakes::ScriptedSocketSystem sockets;
    fakes::FakeWaitClock clock;
    fakes::MemoryFileSinkFactory files;
    HttpUpdateTransport transport{sockets, clock, files};

    fakes::SocketScript& Server() { return *sockets.Script; }
};

TEST_F(HttpUpdateTransportTest, ARedirectReplyIsTakenAsFinal) {
    Server().Reply("HTTP/1.0 302 Found\r\nLocation: http://elsewhere/\r\nContent-Length: 5\r\n\r\nmoved");
    EXPECT_EQ(transport.Fetch("http://h/daveruri/daveruri.php?disk="), "moved");
    EXPECT_EQ(sockets.Connects, 1);
}

TEST_F(HttpUpdateTransportTest, AnErrorStatusFailsTheFetch) {
    Server().Reply("HTTP/1.0 404 Not Found\r\nContent-Length: 9\r\n\r\nnot here.");
    EXPECT_THROW((void)transport.Fetch("http://h/x"), std::exception);
}

TEST_F(HttpUpdateTransportTest, TheProxyGetsTheWholeUrlAndDirectAgainAfterClearing) {
    transport.SetProxy("proxy.lan", 3128);
    Server().Reply("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok");
    EXPECT_EQ(transport.Fetch("http://h:8080/daveruri/a"), "ok");
    EXPECT_EQ(sockets.ConnectedHost, "proxy.lan");
    EXPECT_EQ(sockets.ConnectedPort, 3128);
    EXPECT_EQ(Server().Sent.rfind("GET http://h:8080/daveruri/a HTTP/1.0\r\n", 0), 0u);

    transport.SetProxy("", 0);
    Server().Sent.clear();
    Server().Reply("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok");
    EXPECT_EQ(transport.Fetch("http://h:8080/daveruri/a"), "ok");
    EXPECT_EQ(sockets.ConnectedHost, "h");
    EXPECT_EQ(sockets.ConnectedPort, 8080);
    EXPECT_EQ(Server().Sent.rfind("GET /daveruri/a HTTP/1.0\r\n", 0), 0u);
}

TEST_F(HttpUpdateTransportTest, ADownloadGoesToTheFileWithProgress) {
    Server().Reply("HTTP/1.0 200 OK\r\nContent-Length: 6\r\n\r\n");
    Server().Reply("abc");
    Server().Block(2);
    Server().Reply("def");
    std::vector<std::pair<std::int64_t, std::int64_t>> steps;
    transport.Download("http://h/f.bin", "f.bin",
                       [&](std::int64_t received, std::int64_t total) { steps.emplace_back(received, total); });
    ASSERT_EQ(files.Files.count("f.bin"), 1u);
    EXPECT_EQ(files.Files["f.bin"]->Data, "abcdef");
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps.back(), (std::pair<std::int64_t, std::int64_t>{6, 6}));
}

// A server that sends one byte every two seconds: never idle long enough to
// trip the idle limit, but slow enough to pass a minute in all.
void Trickle(fakes::SocketScript& server, int bytes) {
    server.Reply("HTTP/1.0 200 OK\r\n\r\n");
    for (int i = 0; i < bytes; ++i) {
        server.Block(1000);
        server.Reply("x");
    }
    server.Close();
}

TEST_F(HttpUpdateTransportTest, TheReplyOfTheCheckMayTakeAMinuteAtMost) {
    Trickle(Server(), 40);
    const std::uint64_t start = clock.Now;
    EXPECT_THROW((void)transport.Fetch("http://h/x"), std::exception);
    EXPECT_GE(clock.Now - start, kUpdateReplyTotalTimeoutMs);
    EXPECT_LT(clock.Now - start, kUpdateReplyTotalTimeoutMs + 5000);
}

TEST_F(HttpUpdateTransportTest, ADownloadHasNoLimitInAllWhileDataFlows) {
    Trickle(Server(), 40);
    transport.Download("http://h/slow.bin", "slow.bin", nullptr);
    EXPECT_EQ(files.Files["slow.bin"]->Data, std::string(40, 'x'));
}

TEST_F(HttpUpdateTransportTest, AbortEndsAFetchInProgress) {
    Server().Reply("HTTP/1.0 200 OK\r\n\r\n");
    Server().Block(100);
    clock.OnPause = [&] { transport.Abort(); };
    EXPECT_THROW((void)transport.Fetch("http://h/x"), std::exception);
    EXPECT_TRUE(Server().Closed);
}

}  // namespace
}  // namespace velmora::update
