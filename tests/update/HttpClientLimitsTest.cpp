#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "tests/update/HttpClientHarness.h"

namespace velmora::testing {
namespace {

using HttpLimits = HttpClientHarness;

TEST_F(HttpLimits, AHeaderTheParserRefusesEndsTheCallWithItsFailure) {
    std::string manyLines;
    for (int i = 0; i < 10000; ++i) manyLines += "X-Line-" + std::to_string(i) + ": v\r\n";
    const struct {
        const char* Name;
        std::string Header;
        HttpFailure Failure;
    } cases[] = {
        {"line over the line cap", "X-Big: " + std::string(100 * 1024, 'h') + "\r\n", HttpFailure::TooLarge},
        {"lines over the byte cap", manyLines, HttpFailure::TooLarge},
        {"two different lengths", "Content-Length: 4\r\nContent-Length: 5\r\n", HttpFailure::BadReply},
    };
    for (const auto& c : cases) {
        Server().Closed = false;
        Server().Reply("HTTP/1.0 200 OK\r\n" + c.Header + "\r\nbody");
        Server().Close();
        EXPECT_EQ(TryGet("http://h/"), c.Failure) << c.Name;
        EXPECT_LE(client.Header.size(), kMaxHeaderBytes) << c.Name;
        EXPECT_TRUE(Server().Closed) << c.Name;
        Server().Receives.clear();
    }
}

TEST_F(HttpLimits, ABodyInMemoryIsKeptUpToOneMiBAndFailsBeyond) {
    const struct {
        const char* Name;
        std::string Reply;
        std::optional<HttpFailure> Failure;
    } cases[] = {
        {"exactly the cap, with length", OkReply(std::string(kMaxBodyInMemory, 'b')), std::nullopt},
        {"one byte over, without length", OkReply(std::string(kMaxBodyInMemory + 1, 'b'), false),
         HttpFailure::TooLarge},
    };
    for (const auto& c : cases) {
        Server().Reply(c.Reply);
        Server().Close();
        EXPECT_EQ(TryGet("http://h/"), c.Failure) << c.Name << ": " << lastError;
        EXPECT_LE(client.Body.size(), kMaxBodyInMemory) << c.Name;
        Server().Receives.clear();
    }
}

TEST_F(HttpLimits, AContentLengthOverTheInMemoryCapFailsBeforeReading) {
    Server().Reply("HTTP/1.0 200 OK\r\nContent-Length: 99999999999\r\n\r\n");
    Server().EndStatus = SocketStatus::WouldBlock;
    EXPECT_EQ(TryGet("http://h/"), HttpFailure::TooLarge);
    EXPECT_EQ(clock.Pauses, 0);
}

TEST_F(HttpLimits, AnEndlessBodyInMemoryEndsAtTheCap) {
    for (std::size_t i = 0; i < kMaxBodyInMemory / kHttpChunkSize + 2; ++i) {
        Server().Reply(std::string(kHttpChunkSize, 'e'));
    }
    Server().Receives.push_front({SocketStatus::Ok, "HTTP/1.0 200 OK\r\n\r\n", 0});
    EXPECT_EQ(TryGet("http://h/"), HttpFailure::TooLarge);
}

TEST_F(HttpLimits, AFileWithoutALengthEndsAtItsCapWithNoByteBeyond) {
    client.InputFileMode = true;
    client.Body = "f.bin";
    client.MaxFileBytes = 10;
    Server().Reply("HTTP/1.0 200 OK\r\n\r\n");
    Server().ReplyByteByByte(std::string(25, 'f'));
    EXPECT_EQ(TryGet("http://h/f.bin"), HttpFailure::TooLarge);
    EXPECT_EQ(files.Files["f.bin"]->Data, std::string(10, 'f'));
}

struct TimeLimitCase {
    const char* name;
    std::function<void(fakes::SocketScript&, HttpClient&)> arrange;
    std::uint64_t limitMs;  // when the call must have ended, by the fake clock
};

class HttpTimeLimits : public HttpClientHarness, public ::testing::WithParamInterface<TimeLimitCase> {};

TEST_P(HttpTimeLimits, EndTheCallInTime) {
    GetParam().arrange(Server(), client);
    const std::uint64_t start = clock.Now;
    EXPECT_EQ(TryGet("http://h/"), HttpFailure::Timeout);
    const std::uint64_t took = clock.Now - start;
    EXPECT_GE(took, GetParam().limitMs - 2 * clock.StepMs);
    EXPECT_LE(took, GetParam().limitMs + 2 * clock.StepMs);
    EXPECT_TRUE(Server().Closed);
}

INSTANTIATE_TEST_SUITE_P(
    Http, HttpTimeLimits,
    ::testing::Values(
        TimeLimitCase{"ConnectionThatNeverCompletes",
                      [](fakes::SocketScript& s, HttpClient&) { s.ConnectPendingPolls = 1 << 30; }, 15000},
        TimeLimitCase{"ServerThatAcceptsAndStaysSilent", [](fakes::SocketScript&, HttpClient&) {}, 30000},
        TimeLimitCase{"RequestThatCannotBeSent",
                      [](fakes::SocketScript& s, HttpClient&) { s.SendBlockedCalls = 1 << 30; }, 30000},
        TimeLimitCase{"SilenceAfterPartOfTheBody",
                      [](fakes::SocketScript& s, HttpClient&) {
                          s.Reply("HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\nsome");
                      },
                      30000},
        TimeLimitCase{"SilenceInsideTheHeader",
                      [](fakes::SocketScript& s, HttpClient&) { s.Reply("HTTP/1.0 200 OK\r\nServ"); }, 30000},
        TimeLimitCase{"ShorterTimeOutProperty",
                      [](fakes::SocketScript&, HttpClient& c) { c.TimeOut = 5000; }, 5000},
        TimeLimitCase{"ShorterConnectLimit",
                      [](fakes::SocketScript& s, HttpClient& c) {
                          s.ConnectPendingPolls = 1 << 30;
                          c.ConnectTimeoutMs = 1000;
                      },
                      1000},
        TimeLimitCase{"TricklingServerAgainstTheOverallLimit",
                      [](fakes::SocketScript& s, HttpClient& c) {
                          c.TotalTimeoutMs = 60000;
                          s.Reply("HTTP/1.0 200 OK\r\n\r\n");
                          // One byte a second, for ever as far as the client knows.
                          for (int i = 0; i < 200; ++i) {
                              s.Block(500);
                              s.Reply("x");
                          }
                      },
                      60000}),
    [](const ::testing::TestParamInfo<TimeLimitCase>& info) { return info.param.name; });

TEST_F(HttpLimits, ATricklingDownloadIsNotLimitedOverall) {
    client.InputFileMode = true;
    client.Body = "f";
    Server().Reply("HTTP/1.0 200 OK\r\n\r\n");
    for (int i = 0; i < 100; ++i) {
        Server().Block(10000);  // 20 s of silence each time
        Server().Reply("x");
    }
    Server().Close();
    ASSERT_EQ(TryGet("http://h/"), std::nullopt) << lastError;
    EXPECT_EQ(files.Files.at("f")->Data, std::string(100, 'x'));
    EXPECT_GE(clock.Now, 1000u + 100u * 20000u);
}

TEST_F(HttpLimits, ZeroLimitsMeanNoLimit) {
    client.IdleTimeoutMs = 0;
    client.ConnectTimeoutMs = 0;
    Server().ConnectPendingPolls = 20000;  // 40 s
    Server().Block(50000);                 // 100 s
    Server().Reply(OkReply("late"));
    ASSERT_EQ(TryGet("http://h/"), std::nullopt) << lastError;
    EXPECT_EQ(client.Body, "late");
}

using HttpAbort = HttpClientHarness;

TEST_F(HttpAbort, FromAMessageHandledDuringAWaitFailsTheCall) {
    Server().Block(1000);
    clock.OnPause = [&] {
        if (clock.Pauses == 10) client.Abort();
    };
    EXPECT_EQ(TryGet("http://h/"), HttpFailure::Aborted);
    EXPECT_EQ(clock.Pauses, 10);
    EXPECT_TRUE(Server().Closed);
}

TEST_F(HttpAbort, FromTheProgressEventStopsTheDownloadAndClosesTheFile) {
    client.InputFileMode = true;
    client.Body = "f";
    Server().Reply(OkReply(std::string(3 * kHttpChunkSize, 'a')));
    int packets = 0;
    client.OnPacketRecvd = [&] {
        ++packets;
        client.Abort();
    };
    EXPECT_EQ(TryGet("http://h/"), HttpFailure::Aborted);
    EXPECT_EQ(packets, 1);
    EXPECT_EQ(files.Files.at("f")->Data.size(), static_cast<std::size_t>(client.BytesReceived));
    EXPECT_LT(client.BytesReceived, client.BytesTotal);
    EXPECT_FALSE(files.Files.at("f")->Open);
    EXPECT_TRUE(Server().Closed);
}

TEST_F(HttpAbort, OutsideACallHasNoEffectOnTheNext) {
    client.Abort();
    Server().Reply(OkReply("fine"));
    EXPECT_EQ(TryGet("http://h/"), std::nullopt) << lastError;
}

TEST_F(HttpAbort, TheApplicationQuittingEndsTheWait) {
    Server().Block(1000);
    clock.QuitAfterPauses = 3;
    EXPECT_EQ(TryGet("http://h/"), HttpFailure::Aborted);
    EXPECT_EQ(clock.Pauses, 3);
}

TEST_F(HttpAbort, ASecondGetDuringAWaitIsRefusedAndTheFirstGoesOn) {
    Server().Block(5);
    Server().Reply(OkReply("first"));
    std::optional<HttpFailure> nested;
    clock.OnPause = [&] {
        if (clock.Pauses == 1) nested = TryGet("http://other/");
    };
    ASSERT_EQ(TryGet("http://h/"), std::nullopt) << lastError;
    EXPECT_EQ(nested, HttpFailure::Busy);
    EXPECT_EQ(client.Body, "first");
    EXPECT_EQ(sockets.Connects, 1);
}

TEST(HttpClientLifetime, DestroyingTheClientDuringAWaitFailsTheCallSafely) {
    fakes::ScriptedSocketSystem sockets;
    fakes::FakeWaitClock clock;
    fakes::MemoryFileSinkFactory files;
    auto client = std::make_unique<HttpClient>(sockets, clock, files);
    sockets.Script->Block(1000);
    clock.OnPause = [&] {
        if (clock.Pauses == 4) client.reset();
    };
    try {
        client->Get("http://h/");
        ADD_FAILURE() << "Get returned";
    } catch (const HttpError& error) {
        EXPECT_EQ(error.Kind(), HttpFailure::Aborted);
    }
    EXPECT_EQ(client, nullptr);
    EXPECT_TRUE(sockets.Script->Closed);
}

}  // namespace
}  // namespace velmora::testing
