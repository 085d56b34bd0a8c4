#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "update/HttpClient.h"
#include "update/HttpReplyHeader.h"

namespace velmora {
namespace {

std::span<const std::uint8_t> Bytes(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

TEST(HttpStatusCode, IsTheSecondWordAsANumberOrZero) {
    const struct {
        const char* line;
        int code;
    } cases[] = {
        {"HTTP/1.0 200 OK\r\n", 200},     {"HTTP/1.1 404 Not Found\n", 404}, {"HTTP/1.0 302\r\n", 302},
        {"HTTP/1.0   503   Busy\r\n", 503}, {"HTTP/1.0 OK 200\r\n", 0},       {"HTTP/1.0\r\n", 0},
        {"", 0},                           {"HTTP/1.0 -1 x\r\n", 0},          {"HTTP/1.0 99999999999 x\r\n", 0},
        {"HTTP/1.0 2OO OK\r\n", 0},        {"garbage", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseStatusCode(c.line), c.code) << c.line;
}

TEST(HttpContentLength, AcceptsOnlyPlainDigitsThatFit63Bits) {
    const struct {
        const char* line;
        std::optional<std::int64_t> value;
    } cases[] = {
        {"Content-Length: 5\r\n", 5},
        {"content-length: 0\r\n", 0},
        {"CONTENT-LENGTH: 1234567890123\n", 1234567890123},
        {"Content-Length:   42  \r\n", 42},
        {"Content-Length: 9223372036854775807\r\n", 9223372036854775807},
        {"Content-Length: 9223372036854775808\r\n", std::nullopt},
        {"Content-Length: 100000000000000000000\r\n", std::nullopt},
        {"Content-Length: -1\r\n", std::nullopt},
        {"Content-Length: +5\r\n", std::nullopt},
        {"Content-Length: 0x10\r\n", std::nullopt},
        {"Content-Length: 5 6\r\n", std::nullopt},
        {"Content-Length: \r\n", std::nullopt},
        {"Content-Length:5\r\n", std::nullopt},  // the name must be a word of its own
        {"Content-Type: 5\r\n", std::nullopt},
        {"X-Content-Length: 5\r\n", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseContentLength(c.line), c.value) << c.line;
}

TEST(HttpReplyHeader, StopsAtTheEmptyLineAndLeavesTheBody) {
    const std::string reply = "HTTP/1.0 200 OK\r\nContent-Length: 4\r\n\r\nbody";
    HttpReplyHeader header;
    const std::size_t used = header.Feed(Bytes(reply));
    EXPECT_TRUE(header.Complete());
    EXPECT_EQ(reply.substr(used), "body");
    EXPECT_EQ(header.StatusCode(), 200);
    EXPECT_EQ(header.Length(), 4);
    EXPECT_EQ(header.TakeLines(), "HTTP/1.0 200 OK\r\nContent-Length: 4\r\n\r\n");
    EXPECT_EQ(header.TakeLines(), "");
}

TEST(HttpReplyHeader, ReadsLinesSplitAcrossPiecesOfOneByte) {
    const std::string reply = "HTTP/1.0 404 Not Found\nContent-Length: 3\n\nabc";
    HttpReplyHeader header;
    std::size_t used = 0;
    std::string lines;
    for (std::size_t i = 0; i < reply.size() && !header.Complete(); ++i) {
        used += header.Feed(Bytes(reply.substr(i, 1)));
        lines += header.TakeLines();
    }
    EXPECT_EQ(used, reply.size() - 3);
    EXPECT_EQ(header.StatusCode(), 404);
    EXPECT_EQ(header.Length(), 3);
    EXPECT_EQ(lines, "HTTP/1.0 404 Not Found\nContent-Length: 3\n\n");
}

TEST(HttpReplyHeader, KeepsAPartialLastLineWhenTheDataEnds) {
    HttpReplyHeader header;
    static_cast<void>(header.Feed(Bytes("HTTP/1.0 200 OK\r\nServer: x")));
    EXPECT_FALSE(header.Complete());
    header.Finish();
    EXPECT_TRUE(header.Complete());
    EXPECT_EQ(header.TakeLines(), "HTTP/1.0 200 OK\r\nServer: x");
    EXPECT_FALSE(header.HasLength());
}

TEST(HttpReplyHeader, TakesTheOneContentLengthItCanReadAndRefusesTwoValues) {
    const struct {
        const char* Lines;  // between the status line and the empty line
        HeaderError Error;
        std::optional<std::int64_t> Length;
    } cases[] = {
        {"", HeaderError::None, std::nullopt},
        {"Content-Length: 7\r\n", HeaderError::None, 7},
        {"Content-Length: 7\r\ncontent-length: 7\r\n", HeaderError::None, 7},
        {"Content-Length: -1\r\n", HeaderError::None, std::nullopt},  // unreadable counts as absent
        {"Content-Length: -1\r\nContent-Length: 9\r\n", HeaderError::None, 9},
        {"Content-Length: 7\r\nContent-Length: 8\r\n", HeaderError::ConflictingLength, std::nullopt},
    };
    for (const auto& c : cases) {
        HttpReplyHeader header;
        static_cast<void>(header.Feed(Bytes(std::string("HTTP/1.0 200 OK\r\n") + c.Lines + "\r\n")));
        EXPECT_EQ(header.Error(), c.Error) << c.Lines;
        EXPECT_EQ(header.Complete(), c.Error == HeaderError::None) << c.Lines;
        if (c.Error != HeaderError::None) continue;
        EXPECT_EQ(header.HasLength() ? std::optional<std::int64_t>(header.Length()) : std::nullopt, c.Length)
            << c.Lines;
    }
}

TEST(HttpReplyHeader, CapsEachLineAndTheBytesOfAllLinesButNotTheirNumber) {
    const std::string atLineCap = "X: " + std::string(kMaxHeaderLine - 5, 'a') + "\r\n";
    ASSERT_EQ(atLineCap.size(), kMaxHeaderLine);
    std::string shortLines;  // 10,000 lines, 40,000 bytes
    for (int i = 0; i < 10000; ++i) shortLines += "X:\r\n";
    std::string longLines;  // 10,000 lines, over 200,000 bytes
    for (int i = 0; i < 10000; ++i) longLines += "X-Line-" + std::to_string(i) + ": some value\r\n";
    const struct {
        const char* Name;
        std::string Lines;
        HeaderError Error;
    } cases[] = {
        {"one line at the line cap", atLineCap + "\r\n", HeaderError::None},
        {"one line of 100 KiB", "X: " + std::string(100 * 1024, 'a'), HeaderError::LineTooLong},
        {"many lines under the byte cap", shortLines + "\r\n", HeaderError::None},
        {"many lines over the byte cap", longLines + "\r\n", HeaderError::TooManyBytes},
    };
    for (const auto& c : cases) {
        HttpReplyHeader header;
        static_cast<void>(header.Feed(Bytes("HTTP/1.0 200 OK\r\n" + c.Lines)));
        EXPECT_EQ(header.Error(), c.Error) << c.Name;
        EXPECT_EQ(header.Complete(), c.Error == HeaderError::None) << c.Name;
        EXPECT_LE(header.TakeLines().size(), kMaxHeaderBytes) << c.Name;
    }
}

}  // namespace
}  // namespace velmora
