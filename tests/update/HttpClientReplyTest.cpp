#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "tests/update/HttpClientHarness.h"

namespace velmora::testing {
namespace {

using HttpReply = HttpClientHarness;

TEST_F(HttpReply, KeepsTheBodyAndTheHeaderAsReceived) {
    Server().Reply("HTTP/1.0 200 OK\r\nServer: t\nContent-Length: 5\r\n\r\nhello");
    Server().Close();
    ASSERT_EQ(TryGet("http://h/"), std::nullopt) << lastError;
    EXPECT_EQ(client.Body, "hello");
    EXPECT_EQ(client.Header, "HTTP/1.0 200 OK\r\nServer: t\nContent-Length: 5\r\n\r\n");
    EXPECT_EQ(client.StatusCode(), 200);
    EXPECT_EQ(client.BytesTotal, 5);
    EXPECT_EQ(client.BytesReceived, 5);
    EXPECT_TRUE(Server().Closed);
}

TEST_F(HttpReply, WithoutContentLengthEndsWhenTheServerCloses) {
    Server().Reply(OkReply("first ", false));
    Server().Block(3);
    Server().Reply("second");
    Server().Close();
    ASSERT_EQ(TryGet("http://h/"), std::nullopt) << lastError;
    EXPECT_EQ(client.Body, "first second");
    EXPECT_EQ(client.BytesTotal, 0);
    EXPECT_EQ(client.BytesReceived, 12);
}

TEST_F(HttpReply, NotConnectedEndsTheBodyQuietly) {
    Server().Reply(OkReply("abc", false));
    Server().EndStatus = SocketStatus::Closed;
    ASSERT_EQ(TryGet("http://h/"), std::nullopt) << lastError;
    EXPECT_EQ(client.Body, "abc");
}

TEST_F(HttpReply, ContentLengthEndsTheReplyWhileTheConnectionStaysOpen) {
    // A keep-alive proxy neither closes nor sends more: the client must stop.
    Server().Reply(OkReply("0123456789"));
    Server().EndStatus = SocketStatus::WouldBlock;
    ASSERT_EQ(TryGet("http://h/"), std::nullopt) << lastError;
    EXPECT_EQ(client.Body, "0123456789");
    EXPECT_EQ(clock.Pauses, 0);
}

TEST_F(HttpReply, BytesBeyondContentLengthAreNotKept) {
    Server().Reply("HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\nabcdef");
    Server().Reply("ghi");
    Server().Close();
    ASSERT_EQ(TryGet("http://h/"), std::nullopt) << lastError;
    EXPECT_EQ(client.Body, "abc");
    EXPECT_EQ(client.BytesReceived, 3);
}

TEST_F(HttpReply, AskForNoMoreThanTheRestOfTheContentLength) {
    client.InputFileMode = true;
    client.Body = "f.bin";
    const std::size_t length = kHttpChunkSize + 1000;
    Server().Reply("HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(length) + "\r\n\r\n");
    Server().Reply(std::string(length, 'z'));
    ASSERT_EQ(TryGet("http://h/"), std::nullopt) << lastError;
    EXPECT_EQ(client.BytesReceived, static_cast<std::int64_t>(length));
    EXPECT_EQ(Server().ReceiveSizes.back(), 1000u);
}

TEST_F(HttpReply, ContentLengthZeroGivesAnEmptyBody) {
    client.Body = "stale";
    Server().Reply("HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n");
    ASSERT_EQ(TryGet("http://h/"), std::nullopt) << lastError;
    EXPECT_EQ(client.Body, "");
    EXPECT_EQ(client.BytesTotal, 0);
}

TEST_F(HttpReply, CutShortOfItsContentLengthFails) {
    Server().Reply("HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\n12345");
    Server().Close();
    EXPECT_EQ(TryGet("http://h/"), HttpFailure::BadReply);
    EXPECT_EQ(client.BytesReceived, 5);
}

TEST_F(HttpReply, ABodyArrivingOneByteAtATimeIsStoredWhole) {
    const std::string body = "[file version]\r\nversion=1.0\r\n";
    Server().ReplyByteByByte(OkReply(body, false));
    Server().Close();
    int packets = 0;
    client.OnPacketRecvd = [&] { ++packets; };
    ASSERT_EQ(TryGet("http://h/"), std::nullopt) << lastError;
    EXPECT_EQ(client.Body, body);
    EXPECT_EQ(packets, static_cast<int>(body.size()));
}

TEST_F(HttpReply, AnEmptyReplyFailsButAHeaderWithoutBodyIsAReply) {
    Server().Close();
    EXPECT_EQ(TryGet("http://h/"), HttpFailure::BadReply);

    Server().Reply("HTTP/1.0 200 OK\r\nServer: x");
    Server().Close();
    ASSERT_EQ(TryGet("http://h/"), std::nullopt) << lastError;
    EXPECT_EQ(client.Header, "HTTP/1.0 200 OK\r\nServer: x");
    EXPECT_EQ(client.Body, "");
}

TEST_F(HttpReply, AnUnreadableStatusLineCompletesWithStatusZero) {
    Server().Reply("SOMETHING ELSE\r\n\r\nbody");
    Server().Close();
    ASSERT_EQ(TryGet("http://h/"), std::nullopt) << lastError;
    EXPECT_EQ(client.StatusCode(), 0);
    EXPECT_EQ(client.Body, "body");
}

TEST_F(HttpReply, HeaderIsEmptiedAtTheStartOfEachReply) {
    Server().Reply(OkReply("a"));
    ASSERT_EQ(TryGet("http://h/"), std::nullopt) << lastError;
    Server().Reply("HTTP/1.0 204 No Content\r\n\r\n");
    Server().Close();
    ASSERT_EQ(TryGet("http://h/"), std::nullopt) << lastError;
    EXPECT_EQ(client.Header, "HTTP/1.0 204 No Content\r\n\r\n");
    EXPECT_EQ(client.BytesTotal, 0);
}

TEST_F(HttpReply, AnErrorStatusStoresTheBodyFiresOnFailureAndFails) {
    Server().Reply("HTTP/1.0 404 Not Found\r\nContent-Type: text/html\r\n\r\n<html>gone</html>");
    Server().Close();
    std::vector<std::int32_t> failures;
    client.OnFailure = [&](std::int32_t command) { failures.push_back(command); };
    EXPECT_EQ(TryGet("http://h/"), HttpFailure::ErrorStatus);
    EXPECT_EQ(client.Body, "<html>gone</html>");
    EXPECT_EQ(failures, std::vector<std::int32_t>{CmdGET});
    EXPECT_TRUE(Server().Closed);
}

TEST_F(HttpReply, AnExceptionFromOnFailureLeavesGetUnchanged) {
    Server().Reply("HTTP/1.0 500 Oops\r\n\r\n");
    Server().Close();
    client.OnFailure = [](std::int32_t) { throw std::runtime_error("from the handler"); };
    EXPECT_THROW(
        {
            try {
                client.Get("http://h/");
            } catch (const std::runtime_error& error) {
                EXPECT_STREQ(error.what(), "from the handler");
                throw;
            }
        },
        std::runtime_error);
    // The client is free for the next call.
    Server().Reply(OkReply("ok"));
    client.OnFailure = nullptr;
    EXPECT_EQ(TryGet("http://h/"), std::nullopt) << lastError;
}

TEST_F(HttpReply, StatusDecidesWhichEventFires) {
    const struct {
        int status;
        bool fails;
        int redirects;
    } cases[] = {{200, false, 0}, {299, false, 0}, {300, false, 1}, {302, false, 1}, {398, false, 1},
                 {399, false, 0}, {400, true, 0},  {404, true, 0},  {503, true, 0}};
    for (const auto& c : cases) {
        Server().Reply("HTTP/1.0 " + std::to_string(c.status) + " X\r\nLocation: http://h/\r\n\r\nbody");
        Server().Close();
        int redirects = 0;
        int failures = 0;
        client.OnRedirect = [&](bool& handled) {
            ++redirects;
            handled = true;
        };
        client.OnFailure = [&](std::int32_t) { ++failures; };
        const auto result = TryGet("http://h/");
        EXPECT_EQ(result.has_value(), c.fails) << c.status;
        EXPECT_EQ(failures, c.fails ? 1 : 0) << c.status;
        EXPECT_EQ(redirects, c.redirects) << c.status;
        EXPECT_EQ(client.Body, "body") << c.status;
    }
}

TEST_F(HttpReply, ARedirectIsNeverFollowed) {
    Server().Reply("HTTP/1.0 302 Found\r\nLocation: http://h/\r\n\r\nmoved");
    Server().Close();
    client.OnRedirect = [](bool& handled) { handled = true; };
    ASSERT_EQ(TryGet("http://h/"), std::nullopt) << lastError;
    EXPECT_EQ(sockets.Connects, 1);
    EXPECT_EQ(client.Body, "moved");
}

TEST_F(HttpReply, EventsComeInOrderPacketsThenTheStatusEvent) {
    Server().Reply("HTTP/1.0 301 Moved\r\n\r\nab");
    Server().Reply("cd");
    Server().Close();
    std::vector<std::string> events;
    client.OnPacketRecvd = [&] { events.push_back("packet " + std::to_string(client.BytesReceived)); };
    client.OnRedirect = [&](bool& handled) {
        events.push_back(Server().Closed ? "redirect after close" : "redirect while open");
        handled = true;
    };
    ASSERT_EQ(TryGet("http://h/"), std::nullopt) << lastError;
    EXPECT_EQ(events, (std::vector<std::string>{"packet 2", "packet 4", "redirect after close"}));
}

TEST_F(HttpReply, ReceivingErrorsFail) {
    Server().Reply(OkReply("abc", false));
    Server().Fail(10054);
    EXPECT_EQ(TryGet("http://h/"), HttpFailure::Network);
    EXPECT_TRUE(Server().Closed);
}

class HttpDownload : public HttpClientHarness {
protected:
    void SetUp() override {
        client.InputFileMode = true;
        client.Body = "C:\\downloads\\fw.bin";
    }
    std::shared_ptr<fakes::MemoryFile> File() { return files.Files.at("C:\\downloads\\fw.bin"); }
};

TEST_F(HttpDownload, StreamsTheBodyToTheFileInChunksOfAtMostTheBufferSize) {
    std::string body(3 * kHttpChunkSize + 123, '\0');
    std::iota(body.begin(), body.end(), '\0');
    Server().Reply("HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n");
    Server().Reply(body);
    std::vector<int> percents;
    client.OnPacketRecvd = [&] { percents.push_back(ProgressPercent(client.BytesReceived, client.BytesTotal)); };
    ASSERT_EQ(TryGet("http://h/fw.bin"), std::nullopt) << lastError;
    EXPECT_EQ(File()->Data, body);
    EXPECT_FALSE(File()->Open);
    EXPECT_EQ(File()->Writes, (std::vector<std::size_t>{kHttpChunkSize, kHttpChunkSize, kHttpChunkSize, 123}));
    EXPECT_EQ(percents, (std::vector<int>{33, 66, 99, 100}));
    EXPECT_EQ(client.Body, "C:\\downloads\\fw.bin");
}

TEST_F(HttpDownload, AnErrorPageLandsInTheFileAndTheCallFails) {
    Server().Reply("HTTP/1.0 404 Not Found\r\n\r\n<html>404</html>");
    Server().Close();
    EXPECT_EQ(TryGet("http://h/fw.bin"), HttpFailure::ErrorStatus);
    EXPECT_EQ(File()->Data, "<html>404</html>");
    EXPECT_FALSE(File()->Open);
}

TEST_F(HttpDownload, IsNotLimitedByTheInMemoryCap) {
    const std::string body(kMaxBodyInMemory + 10, 'd');
    Server().Reply(OkReply(body, false));
    Server().Close();
    ASSERT_EQ(TryGet("http://h/fw.bin"), std::nullopt) << lastError;
    EXPECT_EQ(File()->Data.size(), body.size());
}

TEST_F(HttpDownload, FailsWhenTheFileCannotBeCreatedWrittenOrClosed) {
    const struct {
        bool create, write, close;
    } cases[] = {{true, false, false}, {false, true, false}, {false, false, true}};
    for (const auto& c : cases) {
        files.FailCreate = c.create;
        files.FailWrite = c.write;
        files.FailClose = c.close;
        Server().Reply(OkReply("data"));
        Server().Close();
        EXPECT_EQ(TryGet("http://h/fw.bin"), HttpFailure::File);
        EXPECT_TRUE(Server().Closed);
        Server().Receives.clear();
    }
}

TEST_F(HttpDownload, AReplyCutShortLeavesWhatArrivedAndFails) {
    Server().Reply("HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n");
    Server().Reply(std::string(400, 'p'));
    Server().Close();
    EXPECT_EQ(TryGet("http://h/fw.bin"), HttpFailure::BadReply);
    EXPECT_EQ(File()->Data.size(), 400u);
    EXPECT_FALSE(File()->Open);
}

TEST(HttpProgress, PercentagesStayRightForAnySize) {
    constexpr std::int64_t kGiB = 1024LL * 1024 * 1024;
    const struct {
        std::int64_t received, total;
        int percent;
    } cases[] = {
        {0, 0, 0},
        {5, 0, 0},
        {0, 100, 0},
        {1, 3, 33},
        {50, 100, 50},
        {100, 100, 100},
        {150, 100, 100},
        {-1, 100, 0},
        {3 * kGiB, 4 * kGiB, 75},
        {kGiB * 5 - 1, kGiB * 5, 99},
        {INT64_MAX / 2, INT64_MAX, 49},
        {INT64_MAX - 1, INT64_MAX, 99},
        {INT64_MAX, INT64_MAX, 100},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ProgressPercent(c.received, c.total), c.percent) << c.received << "/" << c.total;
    }
}

}  // namespace
}  // namespace velmora::testing
