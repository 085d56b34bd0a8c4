#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "update/DownloadRules.h"
#include "update/HttpUpdateTransport.h"
#include "tests/fakes/FakeWaitClock.h"
#include "tests/fakes/MemoryFileSink.h"
#include "tests/fakes/ScriptedSocket.h"

namespace velmora::update {
namespace {

constexpr std::uint64_t kPlenty = std::uint64_t{1} << 40;

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
    transport.Download(
        "http://h/f.bin", "f.bin",
        [&](std::int64_t received, std::int64_t total) { steps.emplace_back(received, total); }, kPlenty);
    ASSERT_EQ(files.Files.count("f.bin"), 1u);
    EXPECT_EQ(files.Files["f.bin"]->Data, "abcdef");
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps.back(), (std::pair<std::int64_t, std::int64_t>{6, 6}));
}

std::string Redirect(int status, const std::string& location) {
    return "HTTP/1.0 " + std::to_string(status) + " Moved\r\nLocation: " + location +
           "\r\nContent-Length: 5\r\n\r\nmoved";
}

// The request lines the server saw, in order.
std::vector<std::string> RequestLines(const std::string& sent) {
    std::vector<std::string> lines;
    for (std::size_t at = sent.find("GET "); at != std::string::npos; at = sent.find("GET ", at + 1)) {
        lines.push_back(sent.substr(at, sent.find("\r\n", at) - at));
    }
    return lines;
}

// Which statuses count and which redirects may be followed is DownloadRules'
// own test; here, that the transport applies the rules to what it receives.
TEST_F(HttpUpdateTransportTest, ADownloadSucceedsOnlyWithATwoHundredAndEveryAnnouncedByte) {
    const std::string kClose = "<close>";
    std::vector<std::string> sixRedirects;
    for (int hop = 1; hop <= 6; ++hop) sixRedirects.push_back(Redirect(302, "/d/" + std::to_string(hop) + ".bin"));
    const struct {
        const char* Name;
        std::vector<std::string> Replies;  // one per connection, in order; kClose ends the data
        std::optional<std::string> File;   // the file's bytes after a success; nothing: the download fails
        std::vector<std::string> Asked;    // the request lines, when the case is about them
    } cases[] = {
        {"exact length", {"HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\nabc"}, "abc", {}},
        {"cut short", {"HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nabc", kClose}, std::nullopt, {}},
        {"no length: up to the close", {"HTTP/1.0 200 OK\r\n\r\nabcd", kClose}, "abcd", {}},
        {"300 is no redirect", {Redirect(300, "/d/2.bin")}, std::nullopt, {"GET /d/f.bin HTTP/1.0"}},
        {"404", {"HTTP/1.0 404 Not Found\r\nContent-Length: 4\r\n\r\ngone"}, std::nullopt, {}},
        {"unreadable status line", {"SOMETHING\r\n\r\nabc", kClose}, std::nullopt, {}},
        {"a sixth redirect", sixRedirects, std::nullopt,
         {"GET /d/f.bin HTTP/1.0", "GET /d/1.bin HTTP/1.0", "GET /d/2.bin HTTP/1.0", "GET /d/3.bin HTTP/1.0",
          "GET /d/4.bin HTTP/1.0", "GET /d/5.bin HTTP/1.0"}},
        {"relative, then 303 and 308",
         {Redirect(303, "../e/g.bin"), Redirect(308, "h.bin?v=2"), "HTTP/1.0 200 OK\r\n\r\nxyz", kClose}, "xyz",
         {"GET /d/f.bin HTTP/1.0", "GET /e/g.bin HTTP/1.0", "GET /e/h.bin?v=2 HTTP/1.0"}},
        {"redirect without a location", {"HTTP/1.0 302 Found\r\nContent-Length: 0\r\n\r\n"}, std::nullopt, {}},
    };
    for (const auto& c : cases) {
        fakes::ScriptedSocketSystem caseSockets;
        fakes::MemoryFileSinkFactory caseFiles;
        HttpUpdateTransport caseTransport(caseSockets, clock, caseFiles);
        for (const std::string& reply : c.Replies) {
            if (reply == kClose) {
                caseSockets.Script->Close();
            } else {
                caseSockets.Script->Reply(reply);
            }
        }
        bool ok = true;
        try {
            caseTransport.Download("http://h/d/f.bin", "f.bin", nullptr, kPlenty);
        } catch (const HttpError&) {
            ok = false;
        }
        EXPECT_EQ(ok, c.File.has_value()) << c.Name;
        if (c.File) {
            ASSERT_EQ(caseFiles.Files.count("f.bin"), 1u) << c.Name;
            EXPECT_EQ(caseFiles.Files["f.bin"]->Data, *c.File) << c.Name;
        }
        // Nothing but a 2xx body ever reaches the file.
        if (caseFiles.Files.count("f.bin") != 0) {
            EXPECT_EQ(caseFiles.Files["f.bin"]->Data.find("moved"), std::string::npos) << c.Name;
        }
        if (!c.Asked.empty()) {
            EXPECT_EQ(RequestLines(caseSockets.Script->Sent), c.Asked) << c.Name;
        }
    }
}

TEST_F(HttpUpdateTransportTest, ARedirectIsFollowedThroughTheSameProxy) {
    transport.SetProxy("proxy.lan", 3128);
    Server().Reply(Redirect(302, "g.bin"));
    Server().Reply("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok");
    transport.Download("http://h:81/d/f.bin", "f.bin", nullptr, kPlenty);
    EXPECT_EQ(RequestLines(Server().Sent),
              (std::vector<std::string>{"GET http://h:81/d/f.bin HTTP/1.0", "GET http://h:81/d/g.bin HTTP/1.0"}));
    EXPECT_EQ(sockets.ConnectedHost, "proxy.lan");
    EXPECT_EQ(sockets.Connects, 2);
}

TEST_F(HttpUpdateTransportTest, AnAnnouncedSizeOverTheFreeSpaceOrFourGiBIsRefusedBeforeTheFileIsMade) {
    const struct {
        std::int64_t Length;
        std::uint64_t FreeBytes;
        bool Refused;
    } cases[] = {
        {1000, 1000, false},
        {1001, 1000, true},
        {static_cast<std::int64_t>(kMaxDownloadBytes) + 1, kPlenty, true},
    };
    for (const auto& c : cases) {
        fakes::ScriptedSocketSystem caseSockets;
        fakes::MemoryFileSinkFactory caseFiles;
        HttpUpdateTransport caseTransport(caseSockets, clock, caseFiles);
        // The body is held back: only the header decides.
        caseSockets.Script->Reply("HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(c.Length) + "\r\n\r\n");
        caseSockets.Script->Fail(10054);
        bool refused = false;
        try {
            caseTransport.Download("http://h/big.bin", "big.bin", nullptr, c.FreeBytes);
        } catch (const HttpError& error) {
            refused = error.Kind() != HttpFailure::Network;
        }
        EXPECT_EQ(refused, c.Refused) << c.Length << " in " << c.FreeBytes;
        EXPECT_EQ(caseFiles.Files.count("big.bin"), c.Refused ? 0u : 1u) << c.Length;
    }
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
    transport.Download("http://h/slow.bin", "slow.bin", nullptr, kPlenty);
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
